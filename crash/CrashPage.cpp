#include "crash/CrashPage.h"

#include "crash/CrashMail.h"
#include "ui/HtmlDialog.h"

namespace {

// The dialog takes the page's own size, so the body keeps no negative margin: it would cut the
// buttons off. The inputs span the text column.
constexpr char kPage[] =
    "<html><head><title>Gatewardencrash</title></head>\r\n"
    "<body style=\"font: 10pt Verdana;background-color: window;padding:0; margin: 0;"
    "border-bottom-width: 0; border-right-width: 0; border-left-width: 0;\">\r\n"
    "<table celpadding=0 cellspacing=0 bgcolor=threedface width=100%>\r\n"
    "<tr bgcolor=white><td style=\"vertical-align: middle; padding: 5 0 10 10\"><img src=\"ficon.png\"></td>"
    "<td>&nbsp;<b>Gatewarden has encountered a problem and needs to close.&nbsp;We are sorry for the "
    "inconvenience.</b></td></tr>\r\n"
    "<tr><td colspan=2 style=\"border-top: 1px solid black; padding: 5 10 5 10\">"
    "If you were in the middle of something, theinformation you were working on might be lost.<br><br>"
    "We have created an error report that you can send to us. We will treat this report as confidential and "
    "anonymous.<br><br>"
    "To help us diagnose the cause of this error and improve Gatewarden, please enter your email address, "
    "describe what you were doing when this error occured, and send this report to us.<br><br>"
    "Your email (optional):<br>"
    "<input type=\"text\" id=\"email\" name=\"email\" style=\"width: 100%;\">"
    "Desribe what you were doing when the error occured (optional):"
    "<textarea name=\"action\" id=\"action\" rows=5 style=\"width: 100%;\"></textarea><br>"
    "<b>This report contains files:</b><br>"
    "&nbsp;application.log - Gatewarden log-file;<br>"
    "&nbsp;app_dump.dmp - Crash dump file;<br>"
    "&nbsp;crash.log - Crash log file.</td></tr>\r\n"
    "<tr><td colspan=2 style=\"text-align: right; border-top: 1px solid black; padding: 5 10 10 0\">"
    "<button name=\"ok\" id=\"ok\" role=\"default-button\" style=\"width: 50; text-align: center\">Send</button>"
    "&nbsp;"
    "<button name=\"cancel\" id=\"cancel\" role=\"cancel-button\" style=\"width: 50; text-align: center\">Exit</button>"
    "</td></tr>\r\n"
    "</table></body></html>\r\n";

} // namespace

std::string_view CrashPageHtml()
{
    return {kPage, sizeof(kPage) - 1};
}

bool ShowCrashPage(FieldMap& fields)
{
    HtmlDialog dialog(nullptr);
    dialog.SetValues(&fields);
    const std::string_view page = CrashPageHtml();
    return dialog.Show(reinterpret_cast<const BYTE*>(page.data()), static_cast<UINT>(page.size())) == IDOK;
}

void OfferCrashReport(const std::wstring& log, const std::wstring& dump, const std::wstring& report)
{
    FieldMap fields;
    if (!ShowCrashPage(fields))
        return;
    if (!SendCrashMail(fields, CrashFiles{log, dump, report}, TheReportChannel()))
        MessageBoxW(nullptr, L"Can't send crash report.", L"Error", MB_OK);
}
