// The engine's memory for the program's main page with 1,000 profile rows, made as the program
// makes them (a row of six cells at a time through the boundary, then one update), laid out and
// painted at 1280x800. It counts the heap (every operator new of this program) and breaks the
// total down by kind of object. Target: the rows within 5.3 MB of heap, so that the whole program
// with them stays within 10 MB of private memory over a bare window (AppBench memory).
//   wine build/bench/MemoryBench.exe [path of main.html]
#include "engine/HTMLayout.h"
#include "engine/css/ElementStyle.h"
#include "engine/dom/Element.h"
#include "engine/dom/Text.h"
#include "engine/layout/Box.h"
#include "engine/platform/View.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Live and peak bytes asked of operator new, and live blocks (each costs the heap its header).
struct HeapCount {
    long long Live = 0;
    long long Peak = 0;
    long long Blocks = 0;
};
HeapCount g_heap;

constexpr std::size_t kHeader = 16;  // keeps the block aligned as the heap's own would be

void* Counted(std::size_t size)
{
    auto* block = static_cast<char*>(std::malloc(size + kHeader));
    if (block == nullptr)
        throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    g_heap.Live += static_cast<long long>(size);
    g_heap.Blocks += 1;
    if (g_heap.Live > g_heap.Peak)
        g_heap.Peak = g_heap.Live;
    return block + kHeader;
}

void Uncounted(void* pointer)
{
    if (pointer == nullptr)
        return;
    char* block = static_cast<char*>(pointer) - kHeader;
    g_heap.Live -= static_cast<long long>(*reinterpret_cast<std::size_t*>(block));
    g_heap.Blocks -= 1;
    std::free(block);
}

} // namespace

void* operator new(std::size_t size) { return Counted(size); }
void* operator new[](std::size_t size) { return Counted(size); }
void operator delete(void* pointer) noexcept { Uncounted(pointer); }
void operator delete[](void* pointer) noexcept { Uncounted(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { Uncounted(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { Uncounted(pointer); }

namespace {

// Committed private memory of this process, as AppBench reads it of the program.
double CommittedPrivateMegabytes()
{
    unsigned long long total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* address = nullptr; VirtualQuery(address, &region, sizeof(region)) == sizeof(region);
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
    }
    return static_cast<double>(total) / (1024.0 * 1024.0);
}

struct Tally {
    long long Count = 0;
    long long Bytes = 0;
    void Add(long long bytes, long long count = 1)
    {
        Count += count;
        Bytes += bytes;
    }
};

template <typename T>
long long Capacity(const std::vector<T>& v)
{
    return static_cast<long long>(v.capacity() * sizeof(T));
}

template <typename C>
long long Heap(const std::basic_string<C>& s)
{
    // Short strings live inside the object.
    return s.capacity() > (16 / sizeof(C)) - 1 ? static_cast<long long>((s.capacity() + 1) * sizeof(C)) : 0;
}

struct Breakdown {
    Tally Elements, Texts, ElementVectors, Attributes, Cascaded, OwnStyles, Styles;
    Tally Boxes[9], Children, Lines, LineItems, Runs, Rare, Fragments, Tables;
    std::set<const void*> DistinctStyles, SharedLists;

    void Walk(Engine::Element& element)
    {
        Elements.Add(sizeof(Engine::Element));
        // The list of element children is an object of its own, made for those that have any.
        const auto& children = element.Children();
        ElementVectors.Add(Capacity(element.Nodes()) + Capacity(children) +
                           (children.empty() ? 0 : static_cast<long long>(sizeof(children))));
        long long attributes = Capacity(element.Attributes());
        for (const auto& a : element.Attributes())
            attributes += Heap(a.Name) + Heap(a.Value);
        Attributes.Add(attributes, static_cast<long long>(element.Attributes().size()));
        // Lists that elements share count once.
        if (SharedLists.insert(&Engine::ElementStyle::Cascaded(element)).second)
            Cascaded.Add(Capacity(Engine::ElementStyle::Cascaded(element)), static_cast<long long>(Engine::ElementStyle::Cascaded(element).size()));
        if (SharedLists.insert(&Engine::ElementStyle::Hints(element)).second)
            OwnStyles.Add(Capacity(Engine::ElementStyle::Hints(element)));
        OwnStyles.Add(Capacity(Engine::ElementStyle::Inline(element)) + Capacity(Engine::ElementStyle::Runtime(element)));
        if (element.Computed())
            DistinctStyles.insert(element.Computed().get());
        for (Engine::Node* node : element.Nodes()) {
            if (node->IsElement())
                Walk(*static_cast<Engine::Element*>(node));
            else
                Texts.Add(sizeof(Engine::Text) + Heap(static_cast<Engine::Text*>(node)->Data()));
        }
    }

    void Walk(const Engine::Box& box)
    {
        if (box.Kind == Engine::BoxKind::Text) {
            Boxes[static_cast<int>(box.Kind)].Add(sizeof(Engine::TextBox));
            const auto& runs = box.AsText().Runs;
            Runs.Add(Capacity(runs), static_cast<long long>(runs.size()));
            return;
        }
        Boxes[static_cast<int>(box.Kind)].Add(sizeof(Engine::ElementBox));
        Children.Add(Capacity(box.Children()));
        if (box.RarePart() != nullptr)
            Rare.Add(sizeof(Engine::BoxRare));
        Lines.Add(Capacity(box.Lines()), static_cast<long long>(box.Lines().size()));
        for (const auto& line : box.Lines())
            LineItems.Add(Capacity(line.Items), static_cast<long long>(line.Items.size()));
        Fragments.Add(Capacity(box.Fragments()), static_cast<long long>(box.Fragments().size()));
        if (const Engine::TableCache* table = box.TableData()) {
            const auto& t = *table;
            long long bytes = sizeof(t) + Capacity(t.Cells.Rows) + Capacity(t.Cells.Cells) + Capacity(t.Cells.Captions) +
                              Capacity(t.Cells.ColumnCells) + Capacity(t.Dirty) + Capacity(t.ColumnX) +
                              Capacity(t.RowHeights) + Capacity(t.CellHeights);
            for (const auto& column : t.Cells.ColumnCells)
                bytes += Capacity(column);
            Tables.Add(bytes);
        }
        for (const auto& child : box.Children())
            Walk(*child);
    }

    void Print() const
    {
        auto line = [](const char* what, const Tally& t) {
            std::printf("  %-34s %8lld  %9.1f KB\n", what, t.Count, static_cast<double>(t.Bytes) / 1024.0);
        };
        line("elements", Elements);
        line("text nodes (with their text)", Texts);
        line("element child lists", ElementVectors);
        line("attributes", Attributes);
        line("cascaded declarations (distinct lists)", Cascaded);
        line("own style lists (hints, inline, set)", OwnStyles);
        std::printf("  %-34s %8zu\n", "distinct computed styles", DistinctStyles.size());
        static constexpr const char* kKinds[] = {"block", "inline", "text", "replaced", "table", "rows", "row", "cell", "br"};
        for (int i = 0; i < 9; ++i) {
            if (Boxes[i].Count != 0)
                line((std::string(kKinds[i]) + " boxes").c_str(), Boxes[i]);
        }
        line("box child lists", Children);
        line("lines", Lines);
        line("line items", LineItems);
        line("text runs", Runs);
        line("rare parts of boxes", Rare);
        line("inline fragments", Fragments);
        line("table caches", Tables);
    }
};

std::string ReadFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Heap(const char* when, const HeapCount& since)
{
    std::printf("%-30s heap %8.1f KB in %7lld blocks, peak %8.1f KB; committed private %.1f MB\n", when,
                static_cast<double>(g_heap.Live - since.Live) / 1024.0, g_heap.Blocks - since.Blocks,
                static_cast<double>(g_heap.Peak - since.Live) / 1024.0, CommittedPrivateMegabytes());
}

HELEMENT Create(const char* tag, const wchar_t* text)
{
    HELEMENT created = nullptr;
    HTMLayoutCreateElement(tag, text, &created);
    return created;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string page = ReadFile(argc > 1 ? argv[1] : "resources/pages/main.html");
    if (page.empty()) {
        std::printf("cannot read the main page (give its path)\n");
        return 1;
    }
    HWND window = CreateWindowExW(0, HTMLayoutClassNameW(), L"MemoryBench", WS_POPUP | WS_VISIBLE, 0, 0, 1280, 800,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!HTMLayoutLoadHtml(window, reinterpret_cast<LPCBYTE>(page.data()), static_cast<UINT>(page.size())))
        return 1;
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW);
    HeapCount empty = g_heap;
    g_heap.Peak = g_heap.Live;
    Heap("empty page", HeapCount{});

    HELEMENT root = nullptr;
    HTMLayoutGetRootElement(window, &root);
    HELEMENT list = nullptr;
    HTMLayoutSelectElements(
        root, "#proxy_list",
        [](HELEMENT he, LPVOID param) -> BOOL {
            *static_cast<HELEMENT*>(param) = he;
            return TRUE;
        },
        &list);
    for (int i = 0; i < 1000; ++i) {
        const std::wstring n = std::to_wstring(i);
        HELEMENT row = Create("tr", nullptr);
        HTMLayoutSetAttributeByName(row, "name", L"proxy_info");
        std::vector<HELEMENT> cells;
        for (int c = 0; c < 6; ++c) {
            HELEMENT cell = Create("td", c == 0 ? L" " : L"");
            if (c == 1 || c >= 3)
                HTMLayoutSetAttributeByName(cell, "nowrap", L"1");
            HTMLayoutInsertElement(cell, row, HL_INSERT_APPEND);
            cells.push_back(cell);
        }
        const std::wstring texts[] = {L"Office proxy " + n, L"Proxy", L"proxy" + n + L".example.com:3128",
                                      L"*.example.com;...", L"http://wpad.example.com/proxy" + n + L".pac"};
        for (int c = 1; c < 6; ++c)
            HTMLayoutSetElementInnerText16(cells[c], texts[c - 1].c_str(), static_cast<UINT>(texts[c - 1].size()));
        HTMLayoutInsertElement(row, list, HL_INSERT_APPEND);
        for (HELEMENT cell : cells)
            HTMLayout_UnuseElement(cell);
        HTMLayout_UnuseElement(row);
    }
    HTMLayoutUpdateElement(list, HL_UPDATE_RESET_STYLE);
    Heap("1,000 rows made", empty);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Heap("1,000 rows laid out, painted", empty);

    Engine::View& view = *Engine::View::ForWindow(window);
    Breakdown breakdown;
    breakdown.Walk(view.Page().Root());
    if (const Engine::Box* box = view.Renderer().Layout().Root())
        breakdown.Walk(*box);
    std::printf("the whole page, by kind (count, bytes without the heap's own headers):\n");
    breakdown.Print();
    std::printf("sizeof: Element %zu, Text %zu, TextBox %zu, ElementBox %zu, BoxRare %zu, LineItem %zu, LineBox %zu, "
                "TextRun %zu, ComputedStyle %zu\n",
                sizeof(Engine::Element), sizeof(Engine::Text), sizeof(Engine::TextBox), sizeof(Engine::ElementBox),
                sizeof(Engine::BoxRare), sizeof(Engine::LineItem), sizeof(Engine::LineBox), sizeof(Engine::TextRun),
                sizeof(Engine::ComputedStyle));
    DestroyWindow(window);
    return 0;
}
