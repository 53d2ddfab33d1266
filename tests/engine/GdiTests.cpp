// The GDI platform layer: pictures decoded by WIC, fonts measured from width tables, and display
// lists played into a real 32-bit bitmap.
#include "engine/dom/Element.h"
#include "engine/paint/Painter.h"
#include "engine/platform/gdi/FontCache.h"
#include "engine/platform/gdi/GdiCanvas.h"
#include "engine/platform/gdi/ImageDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

using namespace Engine;

namespace {

// 2x2 RGBA: red at half alpha, green; transparent blue, white.
const unsigned char kPng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00, 0x02,
    0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x72, 0xB6, 0x0D, 0x24, 0x00, 0x00, 0x00, 0x15, 0x49, 0x44, 0x41,
    0x54, 0x78, 0xDA, 0x63, 0xF8, 0xCF, 0xC0, 0xD0, 0xC0, 0xF0, 0x1F, 0x08, 0x19, 0x40, 0x24, 0x10, 0x00, 0x00, 0x3D, 0xDB,
    0x08, 0x79, 0x9B, 0xEC, 0x03, 0xF9, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82,
};
// 2x1: red, blue.
const unsigned char kGif[] = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x02, 0x00, 0x01, 0x00, 0xF0, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x21,
    0xF9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44,
    0x0A, 0x00, 0x3B,
};
// 2x2, 24 bits, bottom-up: blue and white above two reds.
const unsigned char kBmp[] = {
    0x42, 0x4D, 0x46, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0x02, 0x00,
    0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF,
    0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00,
};
// An icon of two pictures, a 1x1 green bitmap and the 2x2 PNG above, which follows this head.
const unsigned char kIconHead[] = {
    0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0x30, 0x00, 0x00, 0x00, 0x26, 0x00,
    0x00, 0x00, 0x02, 0x02, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0x4E, 0x00, 0x00, 0x00, 0x56, 0x00, 0x00, 0x00, 0x28, 0x00,
    0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF,
    0x00, 0xFF, 0x00, 0x00, 0x00, 0x00,
};
// A PNG head that claims 100000x100000 pixels.
const unsigned char kHugePng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x01, 0x86, 0xA0,
    0x00, 0x01, 0x86, 0xA0, 0x08, 0x06, 0x00, 0x00, 0x00, 0xA8, 0x52, 0x0B, 0xC8, 0x00, 0x00, 0x00, 0x0B, 0x49, 0x44, 0x41,
    0x54, 0x78, 0x9C, 0x63, 0x60, 0x80, 0x01, 0x00, 0x00, 0x0A, 0x00, 0x01, 0x7F, 0x80, 0x74, 0x5E, 0x00, 0x00, 0x00, 0x00,
    0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82,
};

std::string Bytes(const unsigned char* bytes, std::size_t length) { return {reinterpret_cast<const char*>(bytes), length}; }
template <std::size_t N>
std::string Bytes(const unsigned char (&bytes)[N]) { return Bytes(bytes, N); }

ImagePtr Decode(const std::string& bytes) { return ImageDecoder::Decode(bytes.data(), bytes.size()); }

TEST(ImageDecoderTests, DecodesEachFormatToPremultipliedPixels)
{
    struct Case {
        const char* Name;
        std::string Bytes;
        int Width;
        int Height;
        int Index;
        std::uint32_t Pixel;
    };
    const Case cases[] = {
        {"png keeps alpha, premultiplied", Bytes(kPng), 2, 2, 0, 0x80800000},
        {"png transparent pixel", Bytes(kPng), 2, 2, 2, 0x00000000},
        {"gif", Bytes(kGif), 2, 1, 1, 0xFF0000FF},
        {"bmp rows come top-down", Bytes(kBmp), 2, 2, 0, 0xFF0000FF},
        {"bmp bottom row", Bytes(kBmp), 2, 2, 2, 0xFFFF0000},
        {"ico takes the largest picture", Bytes(kIconHead) + Bytes(kPng), 2, 2, 1, 0xFF00FF00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ImagePtr image = Decode(c.Bytes);
        ASSERT_TRUE(image->Valid());
        EXPECT_EQ(c.Width, image->Width);
        EXPECT_EQ(c.Height, image->Height);
        EXPECT_EQ(c.Pixel, image->Pixels[c.Index]);
        EXPECT_NE(nullptr, ImageDecoder::Bitmap(*image));
    }
}

TEST(ImageDecoderTests, BadBytesGiveAnImageThatDrawsNothing)
{
    const std::string cases[] = {"", "not a picture at all", Bytes(kPng, 40), Bytes(kHugePng), std::string(5000, '\xFF')};
    for (const std::string& bytes : cases) {
        ImagePtr image = Decode(bytes);
        EXPECT_FALSE(image->Valid()) << bytes.size();
        EXPECT_EQ(nullptr, ImageDecoder::Bitmap(*image));
    }
    EXPECT_FALSE(ImageDecoder::Decode(nullptr, 10)->Valid());
    EXPECT_FALSE(ImageDecoder::FromPixels(2, 2, std::vector<std::uint32_t>(3))->Valid());
}

TEST(FontCacheTests, TableWidthsEqualGdiExtents)
{
    FontCache fonts;
    FontId fonts2[] = {fonts.Intern({L"Tahoma", 13}), fonts.Intern({L"serif", 17, 700, true, true})};
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ original = GetCurrentObject(dc, OBJ_FONT);
    for (FontId font : fonts2) {
        SelectObject(dc, fonts.Handle(font));
        for (std::wstring text : {L"", L"Proxy", L"Gatewarden 1.2.3, settings: 10.0.0.1:8080", L"\u00FCber na\u00EFve \u2014 caf\u00E9",
                                  L"\u4E2D\u6587 mixed", L"emoji \U0001F600 pair", L"\u0001tab\there"}) {
            SIZE size{};
            GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
            EXPECT_EQ(size.cx, fonts.Width(font, text)) << font << ": " << text.size();
        }
    }
    SelectObject(dc, original);
    DeleteDC(dc);
}

TEST(FontCacheTests, InternsSpecsAndReadsMetrics)
{
    FontCache fonts;
    FontId a = fonts.Intern({L"Tahoma", 13});
    EXPECT_EQ(a, fonts.Intern({L"Tahoma", 13}));
    EXPECT_NE(a, fonts.Intern({L"Tahoma", 13, 700}));
    EXPECT_EQ(0, fonts.Intern(FontSpec{}));
    EXPECT_EQ(fonts.Describe(0), fonts.Describe(999)); // unknown ids are the default font
    for (FontId font : {a, fonts.Intern({L"Tahoma", 40})}) {
        const FontMetrics& m = fonts.Metrics(font);
        EXPECT_EQ(m.Height, m.Ascent + m.Descent);
        EXPECT_GE(m.LineHeight, m.Height);
        EXPECT_GT(m.XHeight, m.Ascent / 3);
        EXPECT_LT(m.XHeight, m.Ascent);
        EXPECT_GT(m.AverageWidth, 0);
    }
    EXPECT_GT(fonts.Metrics(fonts.Intern({L"Tahoma", 40})).Ascent, fonts.Metrics(a).Ascent * 2);
}

TEST(FontCacheTests, ResolvesTheFirstFamilyTheSystemHas)
{
    FontCache fonts;
    const std::wstring dialog = fonts.ResolveFamily(L"");
    EXPECT_FALSE(dialog.empty());
    struct Case {
        const wchar_t* Families;
        std::wstring Face;
    };
    const Case cases[] = {
        {L"Tahoma", L"Tahoma"},
        {L"'No Such Face', \"tahoma\"", L"Tahoma"},
        {L" NoSuchFace ,sans-serif", L"Tahoma"},
        {L"No Such Face", dialog},
        {L"'', ,", dialog},
        {L"system-ui, Tahoma", dialog},
        {L"@Tahoma", dialog},
        {L"Tahoma Tahoma Tahoma Tahoma Tahoma", dialog},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.Face, fonts.ResolveFamily(c.Families)) << c.Families;
    EXPECT_NE(dialog, fonts.ResolveFamily(L"monospace"));
    EXPECT_EQ(L"Tahoma", fonts.Face(fonts.Intern({L"nosuch, TAHOMA", 12})));
}

// A 64x64 white bitmap in a memory context.
class Surface {
public:
    Surface()
    {
        m_bitmap = ImageDecoder::NewBitmap(kSize, kSize, m_bits);
        m_dc = CreateCompatibleDC(nullptr);
        m_original = SelectObject(m_dc, m_bitmap);
        Clear();
    }
    ~Surface()
    {
        SelectObject(m_dc, m_original);
        DeleteDC(m_dc);
        DeleteObject(m_bitmap);
    }
    void Clear() { std::fill(m_bits, m_bits + kSize * kSize, 0xFFFFFFu); }
    [[nodiscard]] HDC Dc() const { return m_dc; }
    [[nodiscard]] std::uint32_t At(int x, int y) const
    {
        GdiFlush();
        return m_bits[y * kSize + x] & 0xFFFFFF;
    }

    static constexpr int kSize = 64;

private:
    HBITMAP m_bitmap = nullptr;
    HDC m_dc = nullptr;
    HGDIOBJ m_original = nullptr;
    std::uint32_t* m_bits = nullptr;
};

bool Near(std::uint32_t a, std::uint32_t b, int tolerance)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

// The count of this process's GDI objects. Wine answers GetGuiResources with 0: there the highest
// handle index that 64 new brushes get stands in for it, as freed entries are reused first and
// the index grows only when objects leak.
DWORD GdiObjectMark()
{
    if (DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return count;
    HBRUSH brushes[64];
    DWORD highest = 0;
    for (HBRUSH& brush : brushes) {
        brush = CreateSolidBrush(0);
        highest = std::max<DWORD>(highest, LOWORD(reinterpret_cast<ULONG_PTR>(brush)));
    }
    for (HBRUSH brush : brushes)
        DeleteObject(brush);
    return highest;
}

BorderItem Border(Rect area, int width, BorderStyle style, std::initializer_list<Color> colors)
{
    const Color* shade = colors.begin();
    return {area, {{width, style, shade[0]}, {width, style, shade[1]}, {width, style, shade[2]}, {width, style, shade[3]}}};
}

constexpr Color kRed = MakeColor(255, 0, 0);
constexpr Color kGreen = MakeColor(0, 255, 0);
constexpr Color kBlue = MakeColor(0, 0, 255);
constexpr Color kBlack = MakeColor(0, 0, 0);

DisplayList SampleList(FontCache& fonts, Element& owner)
{
    DisplayList list;
    list.push_back(FillItem{{4, 4, 10, 10}, kRed});
    list.push_back(FillItem{{4, 16, 8, 8}, MakeColor(0, 0, 0, 128)});
    list.push_back(GradientItem{{4, 28, 4, 20}, kBlack, MakeColor(255, 255, 255)});
    list.push_back(Border({20, 4, 20, 20}, 2, BorderStyle::Solid, {kRed, kGreen, kBlue, kBlack}));
    list.push_back(Border({44, 4, 16, 8}, 1, BorderStyle::Dotted, {kBlack, kBlack, kBlack, kBlack}));
    list.push_back(Border({44, 16, 16, 10}, 3, BorderStyle::Double, {kBlack, kBlack, kBlack, kBlack}));
    list.push_back(Border({44, 28, 16, 8}, 1, BorderStyle::Inset, {0xFF999999, 0xFF999999, 0xFF999999, 0xFF999999}));
    list.push_back(TextItem{{20, 30, 0, 0}, kBlack, fonts.Intern({L"Tahoma", 16, 700}), L"H"});
    list.push_back(PushClipItem{{44, 40, 8, 8}});
    list.push_back(FillItem{{40, 36, 20, 20}, kGreen});
    list.push_back(PopClipItem{{44, 40, 8, 8}});
    list.push_back(FillItem{{56, 56, 4, 3}, kBlue});
    list.push_back(FillItem{{56, 60, 4, 4}, kBlue}); // outside the damage
    list.push_back(ImageItem{{4, 52, 4, 4}, Decode(Bytes(kPng))});
    list.push_back(ImageItem{{10, 52, 4, 4}, Decode("broken")});
    list.push_back(ElementDrawItem{{20, 50, 10, 6}, DrawSourceOf(owner), 1});
    list.push_back(BeginLayerItem{{0, 0, 64, 64}, 0.5f});
    list.push_back(FillItem{{60, 4, 4, 6}, kRed});
    list.push_back(EndLayerItem{{0, 0, 64, 64}});
    return list;
}

TEST(GdiCanvasTests, DrawsEachItemWhereItBelongs)
{
    FontCache fonts;
    Surface surface;
    Element owner("div");
    std::vector<std::pair<int, RECT>> calls;
    GdiCanvas canvas(surface.Dc(), fonts, [&](Element& element, int layer, HDC dc, const RECT& area) {
        EXPECT_EQ(&owner, &element);
        EXPECT_EQ(surface.Dc(), dc);
        calls.emplace_back(layer, area);
        return true;
    });
    canvas.Play(SampleList(fonts, owner), {0, 0, 64, 60});

    struct Probe {
        const char* What;
        int X;
        int Y;
        std::uint32_t Color;
        int Tolerance;
    };
    const Probe probes[] = {
        {"fill", 4, 4, 0xFF0000, 0}, {"fill's last pixel", 13, 13, 0xFF0000, 0}, {"beyond the fill", 14, 14, 0xFFFFFF, 0},
        {"translucent fill", 6, 18, 0x7F7F7F, 2}, {"gradient top", 5, 28, 0x000000, 16}, {"gradient bottom", 5, 47, 0xFFFFFF, 16},
        {"border corner goes to the top", 20, 4, 0xFF0000, 0}, {"mitre: left", 20, 5, 0x000000, 0},
        {"mitre: top", 21, 5, 0xFF0000, 0}, {"right", 39, 12, 0x00FF00, 0}, {"bottom corner", 39, 23, 0x0000FF, 0},
        {"mitre: right", 39, 22, 0x00FF00, 0}, {"mitre: bottom", 38, 22, 0x0000FF, 0}, {"inside", 22, 12, 0xFFFFFF, 0},
        {"dot", 44, 4, 0x000000, 0}, {"between dots", 45, 4, 0xFFFFFF, 0}, {"next dot", 46, 4, 0x000000, 0},
        {"double outer", 50, 16, 0x000000, 0}, {"double gap", 50, 17, 0xFFFFFF, 0}, {"double inner", 50, 18, 0x000000, 0},
        {"inset top is darker", 50, 28, 0x666666, 0}, {"inset bottom is lighter", 50, 35, 0xCCCCCC, 0},
        {"clipped fill inside", 44, 40, 0x00FF00, 0}, {"clipped fill inside", 51, 47, 0x00FF00, 0},
        {"clipped fill outside", 43, 40, 0xFFFFFF, 0}, {"clipped fill outside", 52, 48, 0xFFFFFF, 0},
        {"fill after the clip", 57, 57, 0x0000FF, 0}, {"fill outside the damage", 57, 61, 0xFFFFFF, 0},
        {"opaque picture pixel", 6, 52, 0x00FF00, 0}, {"half red picture pixel", 4, 52, 0xFF7F7F, 2},
        {"transparent picture pixel", 4, 55, 0xFFFFFF, 0}, {"broken picture", 11, 53, 0xFFFFFF, 0},
        {"fill in a layer at half opacity", 61, 6, 0xFF7F7F, 2}, {"beside it in the layer", 61, 11, 0xFFFFFF, 0},
    };
    for (const Probe& p : probes)
        EXPECT_TRUE(Near(p.Color, surface.At(p.X, p.Y), p.Tolerance))
            << p.What << " at " << p.X << "," << p.Y << ": " << std::hex << surface.At(p.X, p.Y);

    // The text's ink lies in its box: left of the advance, within its line.
    const FontId font = fonts.Intern({L"Tahoma", 16, 700});
    int width = fonts.Width(font, L"H");
    int ink = 0;
    for (int y = 26; y < 50; ++y)
        for (int x = 16; x < 44; ++x)
            if (surface.At(x, y) != 0xFFFFFF && (y < 30 || y >= 30 + fonts.Metrics(font).Height || x >= 20 + width))
                ADD_FAILURE() << "ink outside the text at " << x << "," << y;
            else if (surface.At(x, y) == 0)
                ++ink;
    EXPECT_GT(ink, 20);

    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(1, calls[0].first);
    EXPECT_EQ(20, calls[0].second.left);
    EXPECT_EQ(56, calls[0].second.bottom);
}

TEST(GdiCanvasTests, ContentThatItsElementDrewItselfIsLeftOut)
{
    FontCache fonts;
    Element owner("div");
    for (bool drawsContent : {true, false}) {
        Surface surface;
        DisplayList list;
        list.push_back(ElementDrawItem{{0, 0, 40, 20}, DrawSourceOf(owner), 1, 1});
        list.push_back(FillItem{{0, 0, 20, 20}, kRed});
        list.push_back(FillItem{{20, 0, 20, 20}, kBlue});
        GdiCanvas canvas(surface.Dc(), fonts, [&](Element&, int, HDC, const RECT&) { return drawsContent; });
        canvas.Play(list, {0, 0, 64, 64});
        EXPECT_EQ(drawsContent ? 0xFFFFFFu : 0xFF0000u, surface.At(5, 5)) << drawsContent;
        EXPECT_EQ(0x0000FFu, surface.At(25, 5)) << drawsContent;
    }
}

TEST(GdiCanvasTests, PlaysWithoutLeakingGdiObjects)
{
    FontCache fonts;
    Surface surface;
    Element owner("div");
    DisplayList list = SampleList(fonts, owner);
    list.push_back(ScrollBarItem{{48, 0, 16, 64}, {48, 20, 16, 10}, true});
    list.push_back(FocusRectItem{{2, 2, 30, 20}});
    list.push_back(PushClipItem{{0, 0, 10, 10}}); // left open: the play closes it
    GdiCanvas canvas(surface.Dc(), fonts, [](Element&, int, HDC, const RECT&) { return false; });
    canvas.Play(list, {0, 0, 64, 64});
    DWORD before = GdiObjectMark();
    for (int i = 0; i < 100; ++i)
        canvas.Play(list, {0, 0, 64, 64});
    EXPECT_EQ(before, GdiObjectMark());
    EXPECT_EQ(GetCurrentObject(surface.Dc(), OBJ_FONT), GetStockObject(SYSTEM_FONT));
}

} // namespace
