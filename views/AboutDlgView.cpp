#include "views/AboutDlgView.h"

#include "app/StatusLog.h"
#include "diag/LogService.h"
#include "ui/CommandInfo.h"

#include <cwchar>

AboutDlgView::AboutDlgView() : HtmlHost(L"ABOUT") {}

void AboutDlgView::OnPageMissing()
{
    StatusLog::Error(L"Failed to create About window");
    TheLogService().TryLog(kLogFailure, "AboutDlgView.cpp", 41, L"Failed to create About window");
}

void AboutDlgView::OnCommand(WPARAM kind, LPARAM record)
{
    const auto* info = reinterpret_cast<const CommandInfo*>(record);
    if (kind == COMMAND_CLICK && info != nullptr && std::wcscmp(info->Id, L"cancel") == 0)
        EndDialog(GetParent(Window()), IDCANCEL);
}
