// Every behavior the program's pages may name: one instance each, for the whole process, built
// before any window exists. The lookup lives here so that whatever attaches behaviors brings
// these along.
#include "ui/AccessKeysBehavior.h"
#include "ui/ActionsBehavior.h"
#include "ui/Behavior.h"
#include "ui/ClockBehavior.h"
#include "ui/CollapsibleByIconBehavior.h"
#include "ui/CollapsibleListBehavior.h"
#include "ui/CommandBehavior.h"
#include "ui/DropdownBehavior.h"
#include "ui/EditableSelectBehavior.h"
#include "ui/ExpandableListBehavior.h"
#include "ui/FormBehavior.h"
#include "ui/GridBehavior.h"
#include "ui/HyperlinkBehavior.h"
#include "ui/PathBehavior.h"
#include "ui/PopupBehavior.h"
#include "ui/ScrollerBehavior.h"
#include "ui/SelectBuddyBehavior.h"
#include "ui/SelectCheckmarkBehavior.h"
#include "ui/ShellIconBehavior.h"
#include "ui/SplitterBehavior.h"
#include "ui/TabsBehavior.h"
#include "ui/VirtualGridBehavior.h"

#include <cstring>

namespace {

CommandBehavior g_command;
GridBehavior g_grid;
ScrollerBehavior g_scroller;

// Lists, tabs, popups and shortcuts.
AccessKeysBehavior g_accessKeys;
ActionsBehavior g_actions;
CollapsibleByIconBehavior g_collapsibleByIcon;
EditableSelectBehavior g_editableSelect;
ExpandableListBehavior g_expandableList;
CollapsibleListBehavior g_collapsibleList;
DropdownBehavior g_dropdown;
PopupBehavior g_popup;
TabsBehavior g_tabs;

// Forms, links and option lists.
FormBehavior g_form;
HyperlinkBehavior g_hyperlink;
SelectBuddyBehavior g_selectBuddy;
SelectCheckmarkBehavior g_selectCheckmark;
VirtualGridBehavior g_virtualGrid;

// Drawing and geometry.
ClockBehavior g_clock;
PathBehavior g_path;
ShellIconBehavior g_shellIcon;
SplitterBehavior g_splitter;

} // namespace

Behavior* Behavior::Find(const char* name)
{
    if (name == nullptr)
        return nullptr;
    for (Behavior* at = s_registry; at != nullptr; at = at->m_next) {
        if (std::strcmp(at->m_name, name) == 0)
            return at;
    }
    return nullptr;
}

