// A style sheet against a fixed page that holds what the program's pages hold (tables with a
// sticky header, a scroller, form controls, floats, lists): parsed, cascaded, laid out at two
// widths and painted, then as one element's style attribute, and a state change restyles what
// it reaches.
#include "FuzzPage.h"
#include "engine/css/CssParser.h"
#include "engine/dom/Utf.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr std::size_t kMaxInputBytes = 64 * 1024;

constexpr char kPage[] = R"(<html><head><style>td { padding: 2px }</style></head>
<body class=main><div id=toolbar><button id=activate>Activate</button><a href="#">help</a></div>
<div id=list style="overflow:auto; height:120px"><table width=100%>
<tr class=head><th>Name</th><th>Servers</th></tr>
<tr class=row><td>Home</td><td>http=a:1;</td></tr><tr class="row current"><td>Office</td><td>proxy:8080</td></tr>
<tr><td colspan=2><p>long text that wraps <b>bold</b> <i>italic</i> <img src="40x20.png"></p></td></tr></table></div>
<form><input type=text name=NAME value=v><input type=checkbox checked><select><option>one<option selected>two</select>
<textarea>text</textarea></form><ul><li>one<li>two</ul><div style="float:left">float</div><pre> pre  text </pre>
</body></html>)";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxInputBytes)
        return -1;
    const std::size_t liveBefore = Engine::Element::LiveCount();
    {
        const std::wstring text = Engine::Utf8ToWide({reinterpret_cast<const char*>(data), size});
        FuzzPage page;
        page.Load(kPage);
        page.Style.AddStyleSheet(Engine::CssParser::ParseStyleSheet(text));
        page.Render(400, 300);
        // The same text as declarations in a style attribute, which outweighs the sheet.
        page.Elements()[3]->SetAttribute("style", text);
        page.Render(37, 300);
        for (Engine::Element* element : page.Elements())
            element->ChangeState(0x20 | 0x2, 0);
        page.Render(800, 600);
    }
    FuzzCheck(Engine::Element::LiveCount() == liveBefore, "no element outlives its page");
    return 0;
}
