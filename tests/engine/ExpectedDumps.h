#pragma once
// Data-driven parser tests: every file of <folder>/input, dumped, against
// <folder>/expected/<name>.txt. With GW_REBASELINE=1 in the environment the expected files are
// written anew instead, after a deliberate change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

inline std::string ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Returns how many inputs it compared.
inline int CompareWithExpectedDumps(const std::filesystem::path& folder,
                                    const std::function<std::string(const std::string&)>& dump)
{
    int compared = 0;
    bool rebaseline = std::getenv("GW_REBASELINE") != nullptr;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "input")) {
        std::filesystem::path expected = folder / "expected" / entry.path().filename().replace_extension(".txt");
        std::string actual = dump(ReadFileBytes(entry.path()));
        if (rebaseline)
            std::ofstream(expected, std::ios::binary) << actual;
        else
            EXPECT_EQ(ReadFileBytes(expected), actual) << entry.path().filename().string();
        ++compared;
    }
    return compared;
}
