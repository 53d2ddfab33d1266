// The engine's own PNG reader held to WIC, the codec it stands in for: each picture it takes
// comes out as WIC's to the bit, and each file it leaves alone (interlaced, damaged) gets WIC's
// answer through ImageDecoder. The files are the program's own pictures and those that
// tools/png-fixtures.py writes under png/.
#include "ExpectedDumps.h"
#include "engine/gfx/PngDecoder.h"
#include "engine/platform/gdi/ImageDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using namespace Engine;

namespace {

const std::filesystem::path kPngData = std::filesystem::path(ENGINE_TEST_DIR) / "png";
const std::filesystem::path kProgramPictures =
    std::filesystem::path(ENGINE_TEST_DIR).parent_path().parent_path() / "resources" / "images";
constexpr PngDecoder::Limits kLimits{ImageDecoder::kMaxSide, ImageDecoder::kMaxPixels};

std::vector<std::filesystem::path> PngFiles(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".png")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(PngDecoderTests, GivesWicsPixelsForEveryOrdinaryPicture)
{
    for (const std::filesystem::path& folder : {kProgramPictures, kPngData / "decoded"}) {
        const std::vector<std::filesystem::path> files = PngFiles(folder);
        EXPECT_FALSE(files.empty()) << folder.string();
        for (const std::filesystem::path& file : files) {
            SCOPED_TRACE(file.filename().string());
            const std::string bytes = ReadFileBytes(file);
            const std::optional<PngDecoder::Picture> ours = PngDecoder::Decode(bytes.data(), bytes.size(), kLimits);
            const ImagePtr wic = ImageDecoder::DecodeWithWic(bytes.data(), bytes.size());
            ASSERT_TRUE(ours.has_value());
            ASSERT_TRUE(wic->Valid());
            ASSERT_EQ(wic->Width, ours->Width);
            ASSERT_EQ(wic->Height, ours->Height);
            const auto difference =
                std::mismatch(wic->Pixels.begin(), wic->Pixels.end(), ours->Pixels.begin(), ours->Pixels.end());
            EXPECT_TRUE(difference.first == wic->Pixels.end() && difference.second == ours->Pixels.end())
                << "first different pixel " << (difference.first - wic->Pixels.begin()) << ": WIC " << std::hex
                << (difference.first != wic->Pixels.end() ? *difference.first : 0) << ", ours "
                << (difference.second != ours->Pixels.end() ? *difference.second : 0);
        }
    }
}

TEST(PngDecoderTests, LeavesInterlacedAndDamagedFilesToWic)
{
    enum class Wic { Decodes, MayFail };
    struct Case {
        const char* Folder;
        Wic Answer;
    };
    const Case cases[] = {
        {"declined", Wic::Decodes}, // interlaced
        {"broken", Wic::MayFail},   // cut short, bad lengths and codes, huge sizes, too little or too much data
    };
    for (const Case& c : cases) {
        const std::vector<std::filesystem::path> files = PngFiles(kPngData / c.Folder);
        EXPECT_FALSE(files.empty()) << c.Folder;
        for (const std::filesystem::path& file : files) {
            SCOPED_TRACE(file.filename().string());
            const std::string bytes = ReadFileBytes(file);
            EXPECT_FALSE(PngDecoder::Decode(bytes.data(), bytes.size(), kLimits).has_value());
            const ImagePtr decoded = ImageDecoder::Decode(bytes.data(), bytes.size());
            const ImagePtr wic = ImageDecoder::DecodeWithWic(bytes.data(), bytes.size());
            EXPECT_EQ(wic->Width, decoded->Width);
            EXPECT_EQ(wic->Height, decoded->Height);
            EXPECT_TRUE(wic->Pixels == decoded->Pixels);
            if (c.Answer == Wic::Decodes) {
                EXPECT_TRUE(decoded->Valid());
            }
        }
    }
}

} // namespace
