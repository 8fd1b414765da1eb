// Every menu and context-menu item fired through its real action, and the
// list's double-click through a real double-click, each on a window of its
// own: what it did must be exactly what the procedure that the routing
// table names does when called directly on a twin window.
#include "ui/list_widget.h"
#include "ui/routing.h"
#include "window_helpers.h"

#include <QApplication>
#include <QClipboard>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <map>

using namespace morvane;
using namespace morvane::testing;
using namespace Qt::StringLiterals;

namespace {

const std::string Members = Golden_Listing("edge/routing.lzh");

// The routing as the window's design gives it.
const std::map<std::string, void (Form1::*)()> Procedure_Of = {
    {"OPEN", &Form1::OPEN_Click},  {"FREE", &Form1::File_Free},   {"FREE_P", &Form1::File_Free},
    {"ALLF", &Form1::File_AllFree}, {"DEL", &Form1::File_Del},     {"DEL_P", &Form1::File_Del},
    {"READ", &Form1::File_Read},   {"READ_P", &Form1::File_Read}, {"List1_DblClick", &Form1::File_Read},
    {"MKE", &Form1::File_Exe},     {"END", &Form1::END_Click},    {"copy", &Form1::copy_Click},
};

// What a procedure left: the log of every fake, the dialogs it showed, the
// list, the window's caption and visibility, the clipboard.
struct Trace {
    Log log;
    QStringList rows;
    QString caption, clipboard;
    bool visible = false;
    bool operator==(const Trace&) const = default;
};

std::string Describe(const Trace& t)
{
    std::string out = t.visible ? "visible " : "closed ";
    out += t.caption.toStdString() + " | clipboard " + t.clipboard.toStdString() + " |";
    for (const std::string& line : t.log)
        out += " " + line + ";";
    return out + " | " + std::to_string(t.rows.size()) + " rows";
}

// A window with the archive listed, rows 1 and 2 selected, a viewer, TMP
// a folder of its own, every dialog answered with a path under /out.
Trace Run_On_A_Window(const std::function<void(Shown_Window&)>& act)
{
    QApplication::clipboard()->clear();
    QTemporaryDir tmp;
    Shown_Window w(Members);
    w.List_Archive(u"/arc/a.lzh"_s);
    Select_Row(w.window->list(), 1);
    Select_Row(w.window->list(), 2);
    w.window->form().Tmp_Text = tmp.filePath(u"readme.txt"_s);
    w.window->form().Txt_Viewer = u"/usr/bin/view"_s;
    w.window->dialogs().on_show = [&w](QFileDialog& dialog) {
        w.log.push_back("dialog " + dialog.windowTitle().toStdString());
        When_Shown([&dialog](QWidget*) { Type_And_Return(dialog, u"/out/chosen.x"_s); });
    };
    w.log.clear();
    act(w);
    Trace trace{w.log, w.Rows(), w.window->windowTitle(), QApplication::clipboard()->text(), w.window->isVisible()};
    // Each window reads into a private folder of its own making.
    static const QRegularExpression folder(u"/morvane-[A-Za-z0-9]+"_s);
    for (std::string& line : trace.log)
        line = QString::fromStdString(line).replace(tmp.path(), u"TMP"_s).replace(folder, u"/morvane-*"_s).toStdString();
    w.window->dialogs().on_show = nullptr;
    return trace;
}

}  // namespace

TEST(Routing, EveryItemRunsTheProcedureTheRoutingTableNames)
{
    std::map<std::string, Trace> of_procedure;
    for (const auto& [event, procedure] : Procedure_Of) {
        if (of_procedure.count(event))
            continue;
        of_procedure[event] = Run_On_A_Window([procedure = procedure](Shown_Window& w) { (w.window->form().*procedure)(); });
    }
    // Each procedure leaves a trace of its own, or the comparison below
    // could not tell one from another.
    for (const auto& [a, ta] : of_procedure)
        for (const auto& [b, tb] : of_procedure)
            if (Procedure_Of.at(a) != Procedure_Of.at(b))
                EXPECT_FALSE(ta == tb) << a << " and " << b << " look alike";

    int fired = 0;
    for (const Menu_Entry& entry : Menus()) {
        if (!entry.parent || std::string(entry.caption) == "-")
            continue;
        ASSERT_TRUE(Procedure_Of.count(entry.name)) << entry.name << " has no procedure in the design";
        const Trace trace = Run_On_A_Window([&entry](Shown_Window& w) {
            QAction* action = w.Action(entry.name);
            ASSERT_NE(action, nullptr) << entry.name;
            action->trigger();
        });
        EXPECT_EQ(trace, of_procedure.at(entry.name))
            << entry.name << "\n  fired:  " << Describe(trace) << "\n  wanted: " << Describe(of_procedure.at(entry.name));
        ++fired;
    }
    EXPECT_EQ(fired, 11);

    const Trace double_click = Run_On_A_Window([](Shown_Window& w) {
        QTest::mouseDClick(w.window->list().viewport(), Qt::LeftButton, {}, w.Row_Point(1));
    });
    EXPECT_EQ(double_click, of_procedure.at("List1_DblClick")) << Describe(double_click);
}
