#pragma once
// A profile list started as the program starts it, with its monitor thread running at a period
// the test chooses, against the WinINet stand-in.
#include "OutsideSettings.h"
#include "standins/wininet/WinInetControl.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class RunningMonitorTest : public testing::Test {
protected:
    void SetUp() override
    {
        WinInetControl::Reset();
        ASSERT_TRUE(OutsideSettings::Write(OutsideSettings::Settings(L"", L"", 0x1)));
    }
    void TearDown() override
    {
        m_list.reset();
        WinInetControl::Reset();
    }

    // Starts the list from a store holding these profiles; the stand-in's call log starts empty.
    void Start(DWORD periodMs, const std::vector<ProxyProfile>& stored)
    {
        ProfileListOptions options;
        options.StorePath = m_folder.File(L"proxies.kpp");
        options.MonitorPeriodMs = periodMs;
        options.MonitorPassDone = m_watch.Hook();
        ASSERT_TRUE(OutsideSettings::SaveStore(options.StorePath, stored));
        m_list = std::make_unique<ProfileList>(options);
        WinInetControl::ClearCalls();
    }

    TempFolder m_folder;
    OutsideSettings::PassWatch m_watch;
    std::unique_ptr<ProfileList> m_list;
};
