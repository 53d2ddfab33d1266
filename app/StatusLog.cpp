#include "app/StatusLog.h"

#include "ui/ElementSelect.h"

#include <cwchar>
#include <utility>

namespace {

ElementRef Cell(const wchar_t* text, const wchar_t* style)
{
    ElementRef cell = ElementRef::Create("td", text);
    if (style != nullptr)
        cell.SetAttribute("style", style);
    return cell;
}

} // namespace

void StatusLog::AddLine(const std::wstring& colour, const std::wstring& text)
{
    if (!m_document)
        return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t time[16] = {};
    std::swprintf(time, std::size(time), L"%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
    ElementRef panel = SelectFirst(m_document, "*[name='panel_log']");
    if (!panel)
        return;
    const std::wstring style = L"color:" + colour;
    ElementRef row = ElementRef::Create("tr", nullptr);
    row.SetAttribute("valign", L"top");
    row.SetAttribute("height", L"5");
    row.SetAttribute("style", style.c_str());
    row.Insert(Cell(time, style.c_str()), HL_INSERT_APPEND);
    row.Insert(Cell(L" ", nullptr), HL_INSERT_APPEND);
    ElementRef message = Cell(text.c_str(), style.c_str());
    message.SetAttribute("width", L"100%");
    row.Insert(message, HL_INSERT_APPEND);
    const UINT count = panel.ChildCount();
    panel.Insert(row, count > 0 ? count - 1 : 0);
    if (m_batches > 0)
        m_unshown = row;
    else
        ShowLast(row);
}

void StatusLog::ShowLast(const ElementRef& row)
{
    row.ScrollToView();
    if (ElementRef panel = row.Parent())
        panel.Update(Relayout::Yes);
}

StatusLog::Batch::~Batch()
{
    if (--m_log.m_batches > 0 || !m_log.m_unshown)
        return;
    const ElementRef row = std::exchange(m_log.m_unshown, {});
    if (m_log.m_document)
        ShowLast(row);
}

StatusLog& TheStatusLog()
{
    static StatusLog log;
    return log;
}
