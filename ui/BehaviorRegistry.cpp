// Every behavior the program's pages may name: one instance each, for the whole process, built
// before any window exists. The lookup lives here so that whatever attaches behaviors brings
// these along.
#include "ui/Behavior.h"
#include "ui/ClockBehavior.h"
#include "ui/CommandBehavior.h"
#include "ui/GridBehavior.h"
#include "ui/PathBehavior.h"
#include "ui/ScrollerBehavior.h"
#include "ui/ShellIconBehavior.h"
#include "ui/SplitterBehavior.h"

#include <cstring>

namespace {

CommandBehavior g_command;
GridBehavior g_grid;
ScrollerBehavior g_scroller;

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

