// The menus and the one routing table: every menu item and list event runs
// exactly one procedure of Form1.
#pragma once

#include <span>

namespace morvane {

class Form1;

struct Menu_Entry {
    const char* name;     // the menu item's name, also its QAction's objectName
    const char* parent;   // nullptr: on the menu bar
    const char* caption;  // "-" is a separator
    bool visible;
};

struct Route {
    const char* event;                 // a menu name, or "Form_Resize", "List1_DblClick", ...
    void (*run)(Form1& form, int arg);
};

std::span<const Menu_Entry> Menus();
std::span<const Route> Routes();

// Runs the procedure routed to `event`; false if nothing is routed to it.
bool Route_Event(Form1& form, const char* event, int arg = 0);

}  // namespace morvane
