#include "routing.h"

#include "app/form1.h"

#include <cstring>

namespace morvane {

namespace {

// In display order. POPUP never shows on the bar: its submenu is the list's
// context menu.
constexpr Menu_Entry Menu_Table[] = {
    {"FILES", nullptr, "ﾌｧｲﾙ(&F)", true},
    {"OPEN", "FILES", "ｵｰﾌﾟﾝ(&O)", true},
    {"FREE", "FILES", "解凍(&F)", true},
    {"ALLF", "FILES", "全解凍(&A)", true},
    {"DEL", "FILES", "削除(&D)", true},
    {"READ", "FILES", "ﾃｷｽﾄ読込(&R)", true},
    {"MKE", "FILES", "実行ﾌｧｲﾙ(&E)", true},
    {"NON", "FILES", "-", true},
    {"END", "FILES", "終了(&X)", true},
    {"EDIT", nullptr, "編集(&E)", true},
    {"copy", "EDIT", "コピー(&C)", true},
    {"POPUP", nullptr, "ポップアップ", false},
    {"FREE_P", "POPUP", "解凍(&F)", true},
    {"DEL_P", "POPUP", "削除(&D)", true},
    {"READ_P", "POPUP", "ﾃｷｽﾄ読込(&R)", true},
};

constexpr Route Route_Table[] = {
    {"Form_Load", [](Form1& f, int) { f.Form_Load(); }},
    {"Form_Resize", [](Form1& f, int) { f.Form_Resize(); }},
    {"OPEN", [](Form1& f, int) { f.OPEN_Click(); }},
    {"FREE", [](Form1& f, int) { f.File_Free(); }},
    {"FREE_P", [](Form1& f, int) { f.File_Free(); }},
    {"ALLF", [](Form1& f, int) { f.File_AllFree(); }},
    {"DEL", [](Form1& f, int) { f.File_Del(); }},
    {"DEL_P", [](Form1& f, int) { f.File_Del(); }},
    {"READ", [](Form1& f, int) { f.File_Read(); }},
    {"READ_P", [](Form1& f, int) { f.File_Read(); }},
    {"List1_DblClick", [](Form1& f, int) { f.File_Read(); }},
    {"MKE", [](Form1& f, int) { f.File_Exe(); }},
    {"END", [](Form1& f, int) { f.END_Click(); }},
    {"copy", [](Form1& f, int) { f.copy_Click(); }},
    {"List1_MouseDown", [](Form1& f, int button) { f.List1_MouseDown(button); }},
};

}  // namespace

std::span<const Menu_Entry> Menus() { return Menu_Table; }
std::span<const Route> Routes() { return Route_Table; }

bool Route_Event(Form1& form, const char* event, int arg)
{
    for (const Route& route : Route_Table) {
        if (std::strcmp(route.event, event) == 0) {
            route.run(form, arg);
            return true;
        }
    }
    return false;
}

}  // namespace morvane
