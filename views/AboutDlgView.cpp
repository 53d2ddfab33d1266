#include "views/AboutDlgView.h"

#include "ui/CommandInfo.h"

#include <cwchar>

AboutDlgView::AboutDlgView(StatusSink& status)
    : HtmlHost(L"ABOUT", {L"Failed to create About window", kAboutPageMissingPlace, &status})
{
}

void AboutDlgView::OnCommand(WPARAM kind, LPARAM record)
{
    const auto* info = reinterpret_cast<const CommandInfo*>(record);
    if (kind == COMMAND_CLICK && info != nullptr && std::wcscmp(info->Id, L"cancel") == 0)
        EndDialog(GetParent(Window()), IDCANCEL);
}
