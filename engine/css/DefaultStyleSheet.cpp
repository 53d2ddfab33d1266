#include "engine/css/DefaultStyleSheet.h"

#include "engine/css/CssParser.h"

namespace Engine {

namespace {

constexpr const wchar_t* kSheet = LR"css(
html, body, div, p, form, fieldset, h1, h2, h3, h4, h5, h6, ul, ol, dl, dd, dt, pre, blockquote,
address, center, hr, header, footer, section, article, nav, aside, menu, frameset { display: block; }
li { display: list-item; }
head, style, script, title, meta, link, base, param, template { display: none; }
table { display: table; border-spacing: 2px; }
tr { display: table-row; }
td, th { display: table-cell; padding: 1px; vertical-align: middle; }
th { font-weight: bold; text-align: center; }
thead { display: table-header-group; }
tbody { display: table-row-group; }
tfoot { display: table-footer-group; }
caption { display: table-caption; }
col { display: table-column; }
colgroup { display: table-column-group; }
b, strong { font-weight: bold; }
i, em, cite, var { font-style: italic; }
u { text-decoration: underline; }
pre, code, tt, kbd, samp { font-family: monospace; }
pre { white-space: pre; }
textarea { white-space: pre-wrap; overflow: auto; width: 20em; height: 4em; cursor: text; }
nobr { white-space: nowrap; }
body { margin: 8px; }
p { margin-top: 1em; margin-bottom: 1em; }
a[href] { behavior: hyperlink; color: blue; text-decoration: underline; cursor: pointer; }
img, input, button, select, textarea, widget { display: inline-block; }
input, textarea, select { border: 2px inset threedface; padding: 1px 2px; background-color: window; color: windowtext; }
input[type="checkbox"], input[type="radio"] { border: none; padding: 0; margin: 2px 3px; background-color: transparent; vertical-align: middle; }
input[type="hidden"] { border: none; padding: 0; }
input[type="button"], input[type="submit"], input[type="reset"], button {
  border: 2px outset threedface; padding: 1px 6px; background-color: buttonface; color: buttontext; }
input[type="button"]:active, input[type="submit"]:active, input[type="reset"]:active, button:active { border-style: inset; }
input:disabled, textarea:disabled, select:disabled, button:disabled { color: graytext; }
button[role="default-button"], input[role="default-button"] { border: 2px outset threedface; border-color: windowframe; }
select > caption { display: inline-block; min-width: 4em; padding: 0 2px; }
select > button { display: inline-block; width: 1.3em; height: 1.3em; padding: 0; border: none; vertical-align: middle; }
input { behavior: edit; }
input[type="text"] { behavior: edit; }
input[type="hidden"] { behavior: hidden; display: none; }
input[type="password"] { behavior: password; }
input[type="number"], input[type="integer"] { behavior: number; }
input[type="decimal"] { behavior: decimal; }
input[type="currency"] { behavior: currency; }
input[type="date"] { behavior: date; }
input[type="time"] { behavior: time; }
input[type="range"], input[type="slider"] { behavior: slider; }
input[type="checkbox"] { behavior: checkbox; }
input[type="radio"] { behavior: radio; }
input[type="button"], input[type="submit"], input[type="reset"], button { behavior: button; }
textarea { behavior: textarea; }
select { behavior: dropdown; }
select[size], select[multiple] { behavior: list; }
select[size="1"] { behavior: dropdown; }
select[multiple] { behavior: list-multiple; }
popup, select > popup { display: none; }
select > popup { background-color: window; color: windowtext; border: 1px solid windowframe; padding: 0; }
option { display: block; padding: 1px 3px; white-space: nowrap; }
select > popup option:hover { background-color: highlight; color: highlighttext; }
:popup { display: block; }
progress { behavior: progress; }
richtext, htmlarea { behavior: richtext; display: block; }
)css";

} // namespace

const StyleSheet& DefaultStyleSheet::Get()
{
    static const StyleSheet sheet = CssParser::ParseStyleSheet(kSheet);
    return sheet;
}

bool DefaultStyleSheet::Holds(const std::wstring* value)
{
    for (const StyleRule& rule : Get().Rules) {
        for (const Declaration& declaration : rule.Declarations) {
            if (&declaration.Value == value)
                return true;
        }
    }
    return false;
}

} // namespace Engine
