// The window offscreen: the menus and the routing table, the design-time
// layout, a listing opened through Qt's own file dialog (typed path and
// Return), Cancel, the dialog's flags and filters, the message box, the
// pointer, the context menu on a right press, double-click, copy, exit.
#include "fakes.h"
#include "real_archives.h"
#include "window_helpers.h"
#include "ui/file_dialog.h"
#include "ui/list_widget.h"
#include "ui/main_window.h"
#include "ui/routing.h"
#include "ui/translations.h"
#include "ui/widget_controls.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include <cstring>

using namespace morvane;
using namespace morvane::testing;
using namespace Qt::StringLiterals;

namespace {

const std::string Two = Golden_Listing("edge/two.lzh");

struct Window : ::testing::Test, Shown_Window {
    Window() : Shown_Window(Two) {}
    void TearDown() override { window->dialogs().on_show = nullptr; }
};

}  // namespace

TEST_F(Window, TheMenuBarShowsTwoMenusAndHidesThePopup)
{
    QStringList visible;
    for (QAction* action : window->menuBar()->actions()) {
        if (action->isVisible())
            visible.append(action->text());
    }
    EXPECT_EQ(visible, QStringList({u"ﾌｧｲﾙ(&F)"_s, u"編集(&E)"_s}));
    QAction* popup = window->menu(u"POPUP"_s)->menuAction();
    EXPECT_EQ(popup->text(), u"ポップアップ"_s);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_TRUE(window->menuBar()->actions().contains(popup));
}

TEST_F(Window, EachMenuHoldsItsItemsInOrder)
{
    const auto captions = [this](const char* menu) {
        QStringList out;
        for (QAction* action : window->menu(QString::fromUtf8(menu))->actions())
            out.append(action->isSeparator() ? u"-"_s : action->text());
        return out;
    };
    EXPECT_EQ(captions("FILES"), QStringList({u"ｵｰﾌﾟﾝ(&O)"_s, u"解凍(&F)"_s, u"全解凍(&A)"_s, u"削除(&D)"_s,
                                              u"ﾃｷｽﾄ読込(&R)"_s, u"実行ﾌｧｲﾙ(&E)"_s, u"-"_s, u"終了(&X)"_s}));
    EXPECT_EQ(captions("EDIT"), QStringList({u"コピー(&C)"_s}));
    EXPECT_EQ(captions("POPUP"), QStringList({u"解凍(&F)"_s, u"削除(&D)"_s, u"ﾃｷｽﾄ読込(&R)"_s}));
}

TEST(Routing, EveryItemRoutesToOneProcedureAndEveryRouteHasAnEvent)
{
    const QStringList control_events = {u"Form_Load"_s, u"Form_Resize"_s, u"List1_DblClick"_s, u"List1_MouseDown"_s};
    QStringList items;
    for (const Menu_Entry& entry : Menus()) {
        if (entry.parent && std::strcmp(entry.caption, "-") != 0)
            items.append(QString::fromUtf8(entry.name));
    }
    QStringList routed;
    for (const Route& route : Routes())
        routed.append(QString::fromUtf8(route.event));
    for (const QString& item : items)
        EXPECT_EQ(routed.count(item), 1) << item.toStdString();
    for (const QString& event : routed)
        EXPECT_TRUE(items.contains(event) || control_events.contains(event)) << event.toStdString();
}

TEST_F(Window, StartsWithItsDesignTimeLayout)
{
    // At 96 DPI a pixel is 15 twips: the label at 48, 144 twips is at 3.2,
    // 9.6 pixels, and so on, each rounded.
    ASSERT_EQ(window->screen()->logicalDotsPerInch(), 96.0);
    EXPECT_EQ(window->windowTitle(), u"Morvane 32bit Ver.97.08"_s);
    EXPECT_EQ(window->label().geometry(), QRect(3, 10, 407, 14));
    EXPECT_EQ(window->list().pos(), QPoint(3, 22));
    EXPECT_EQ(window->list().selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(window->frameGeometry().size(), QSize(416, 295));
    // Laid out at once from the outer 416 x 295 pixels (6240 x 4425 twips):
    // 6040 x 3425 twips.
    EXPECT_EQ(window->list().size(), QSize(403, 228));
    EXPECT_TRUE(window->list().font().fixedPitch() || window->list().font().family().startsWith(u"IPA"_s) ||
                window->list().font().family() == u"ＭＳ ゴシック"_s);
    EXPECT_EQ(window->font().pointSize(), 9);
}

TEST_F(Window, TheListFollowsTheWindow)
{
    ASSERT_EQ(window->screen()->logicalDotsPerInch(), 96.0);
    window->resize(700, 500);
    QApplication::processEvents();
    ASSERT_EQ(window->frameGeometry().size(), QSize(704, 504));   // 10560 x 7560 twips
    EXPECT_EQ(window->list().size(), QSize(691, 437));            // 10360 x 6560 twips
    window->resize(20, 40);   // 300 x 600 twips: below the height guard, nothing moves
    QApplication::processEvents();
    EXPECT_EQ(window->list().size(), QSize(691, 437));
}

TEST_F(Window, OpenListsTheArchiveTypedIntoTheDialog)
{
    QTemporaryDir folder;
    window->dialogs().on_show = [&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), u"Lhaﾌｧｲﾙを読込み"_s);
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog.selectedNameFilter(), u"Lhaﾌｧｲﾙ (*.LZH)"_s);   // as the person sees it
        When_Shown([&dialog, &folder](QWidget*) {
            // A name that does not exist is accepted.
            Type_And_Return(dialog, folder.filePath(u"not there.lzh"_s));
        });
    };
    window->Fire("OPEN");
    EXPECT_EQ(window->windowTitle(), u"Morvane 32bit Ver.97.08  "_s + folder.filePath(u"not there.lzh"_s));
    ASSERT_EQ(window->list().ListCount(), 3);
    EXPECT_EQ(window->list().ItemPath(1), u"docs/numbers.txt"_s);
    EXPECT_EQ(Rows()[0], u"readme.txt              6            6 100.0% 23-11-14 22:13:20"_s);

    // Cancel leaves the window as it is.
    const QStringList rows = Rows();
    window->dialogs().on_show = [](QFileDialog& dialog) { When_Shown([&dialog](QWidget*) { dialog.reject(); }); };
    window->Fire("OPEN");
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(window->windowTitle(), u"Morvane 32bit Ver.97.08  "_s + folder.filePath(u"not there.lzh"_s));
    EXPECT_EQ(recorder.calls.size(), 1u);
}

namespace {
// CMDialog1 over Qt's dialog, starting in a folder of its own.
struct File_Dialog : ::testing::Test {
    QTemporaryDir folder;
    Qt_File_Dialog host{nullptr};
    CommonDialog dialog{&host};
    void SetUp() override
    {
        dialog.FilterIndex = 1;
        dialog.InitDir = folder.path();
        dialog.Flags = Flag_HideReadOnly;
        dialog.CancelError = true;
    }
    // The names of the files the Open dialog lists, once `expected` show.
    QStringList Names_Shown(int expected)
    {
        QStringList names;
        host.on_show = [&](QFileDialog& shown) {
            When_Shown([&shown, &names, expected](QWidget*) {
                names = Shown_Names(shown, expected);
                shown.reject();
            });
        };
        dialog.ShowOpen();
        return names;
    }
};
}  // namespace

TEST_F(File_Dialog, SaveAsAsksNothingBeforeReplacingUnlessFlagTwo)
{
    Write_Tree(folder.path(), {{u"exists.txt"_s, "x"}});
    dialog.Filter = text::Filter_All;
    host.on_show = [&](QFileDialog& shown) {
        EXPECT_TRUE(shown.testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_TRUE(shown.testOption(QFileDialog::DontUseNativeDialog));
        When_Shown([&shown](QWidget*) { Type_And_Return(shown, u"exists.txt"_s); });
    };
    EXPECT_EQ(dialog.ShowSave(), Dialog_Confirmed);
    EXPECT_EQ(dialog.FileName, folder.filePath(u"exists.txt"_s));

    dialog.Flags = Flag_HideReadOnly | Flag_OverwritePrompt;
    host.on_show = [&](QFileDialog& shown) {
        EXPECT_FALSE(shown.testOption(QFileDialog::DontConfirmOverwrite));
        When_Shown([&shown](QWidget*) { shown.reject(); });
    };
    EXPECT_EQ(dialog.ShowSave(), Dialog_Cancelled);
    EXPECT_EQ(dialog.FileName, folder.filePath(u"exists.txt"_s));   // kept after Cancel
}

// Opened wide enough to read: the size, type and date columns as wide as
// what they show and all in view, the places' names whole; on a Japanese
// desktop a folder's type from Qt's Japanese texts, not "Folder" (Qt 6.4
// looks for it where its translation has not got it).
TEST_F(File_Dialog, TheDetailColumnsCanBeReadAndAFoldersTypeIsInTheDesktopsLanguage)
{
    Write_Tree(folder.path(), {{u"an archive with a long name.lzh"_s, QByteArray(689441, 'x')}, {u"sub/x.txt"_s, ""}});
    const auto translation = Install_Qt_Translation(QLocale(QLocale::Japanese, QLocale::Japan));
    ASSERT_NE(translation, nullptr) << "qt6-translations-l10n is not installed";
    dialog.Filter = text::Filter_All;
    host.on_show = [&](QFileDialog& shown) {
        When_Shown([&](QWidget*) {
            Shown_Names(shown, 1);
            auto* details = shown.findChild<QTreeView*>(u"treeView"_s);
            auto* places = shown.findChild<QListView*>(u"sidebar"_s);
            auto* model = shown.findChild<QFileSystemModel*>();
            ASSERT_TRUE(details && places && model);
            const QAbstractItemView& view = *details;
            const QHeaderView& header = *details->header();
            for (int column = 1; column <= 3; ++column) {
                EXPECT_GE(header.sectionSize(column), view.sizeHintForColumn(column)) << column;
                EXPECT_LE(header.sectionViewportPosition(column) + header.sectionSize(column),
                          details->viewport()->width()) << column;
            }
            EXPECT_GE(header.sectionSize(0), header.sectionSize(2));   // room for the names too
            const QAbstractItemView& sidebar = *places;
            EXPECT_GE(places->viewport()->width(), sidebar.sizeHintForColumn(0));
            const QModelIndex sub = model->index(folder.filePath(u"sub"_s));
            EXPECT_EQ(sub.siblingAtColumn(2).data().toString(), u"フォルダ"_s);
            shown.reject();
        });
    };
    dialog.ShowSave();
}

TEST_F(File_Dialog, FiltersMatchNamesInAnyLetterCase)
{
    Write_Tree(folder.path(), {{u"a.lzh"_s, ""}, {u"B.LZH"_s, ""}, {u"c.txt"_s, ""}, {u"D.Lzh"_s, ""}});
    EXPECT_EQ(Qt_Name_Filters(u"Lhaﾌｧｲﾙ (*.LZH)|*.LZH|Both|*.a;*.B|All|*.*|"_s),
              QStringList({u"Lhaﾌｧｲﾙ (*.LZH) (*.[lL][zZ][hH])"_s, u"Both (*.[aA] *.[bB])"_s, u"All (*)"_s}));
    dialog.Filter = text::Filter_Lzh;
    EXPECT_EQ(Names_Shown(3), QStringList({u"B.LZH"_s, u"D.Lzh"_s, u"a.lzh"_s}));
}

TEST_F(File_Dialog, AllFilesShowsNamesWithoutADotToo)
{
    Write_Tree(folder.path(), {{u"README"_s, ""}, {u"a.lzh"_s, ""}, {u"notes.txt"_s, ""}});
    dialog.Filter = text::Filter_Lzh;
    dialog.FilterIndex = 2;   // 全てのﾌｧｲﾙ(*.*)
    EXPECT_EQ(Names_Shown(3), QStringList({u"README"_s, u"a.lzh"_s, u"notes.txt"_s}));
}

TEST_F(File_Dialog, AWildcardNameFiltersTheDialogAndIsNeverConfirmed)
{
    Write_Tree(folder.path(), {{u"a.lzh"_s, ""}, {u"B.LZH"_s, ""}, {u"c.txt"_s, ""}, {u"README"_s, ""},
                               {u"sub/d.txt"_s, ""}});
    dialog.Filter = text::Filter_Lzh;
    for (const DialogAction action : {DialogAction::Open, DialogAction::Save}) {
        dialog.FileName = u"*.LZH"_s;
        dialog.FilterIndex = 2;   // every file shown at first
        QStringList before, pre_filled, typed, folder_typed;
        host.on_show = [&](QFileDialog& shown) {
            When_Shown([&](QWidget*) {
                before = Shown_Names(shown, 4);
                // Return on the pre-filled "*.LZH": the dialog stays, showing the archives.
                Type_And_Return(shown, u"*.LZH"_s);
                EXPECT_TRUE(shown.isVisible());
                pre_filled = Shown_Names(shown, 2);
                Type_And_Return(shown, u"*.*"_s);
                typed = Shown_Names(shown, 4);
                Type_And_Return(shown, u"sub/*.t?t"_s);
                folder_typed = Shown_Names(shown, 1);
                EXPECT_TRUE(shown.isVisible());
                Type_And_Return(shown, u"chosen.lzh"_s);
            });
        };
        const int result = action == DialogAction::Open ? dialog.ShowOpen() : dialog.ShowSave();
        EXPECT_EQ(result, Dialog_Confirmed);
        EXPECT_EQ(before, QStringList({u"B.LZH"_s, u"README"_s, u"a.lzh"_s, u"c.txt"_s}));
        EXPECT_EQ(pre_filled, QStringList({u"B.LZH"_s, u"a.lzh"_s}));
        EXPECT_EQ(typed, before);
        EXPECT_EQ(folder_typed, QStringList({u"d.txt"_s}));
        EXPECT_EQ(dialog.FileName, folder.filePath(u"sub/chosen.lzh"_s));
    }
}

TEST(Controls, TheMessageBoxIsTitledMorvaneWithOkOnlyAndNoIcon)
{
    Qt_Message_Box box(nullptr);
    When_Shown([](QWidget* widget) {
        auto* shown = qobject_cast<QMessageBox*>(widget);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->windowTitle(), u"MORVANE"_s);
        EXPECT_EQ(shown->text(), u"err"_s);
        EXPECT_EQ(shown->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(shown->standardButtons(), QMessageBox::Ok);
        shown->button(QMessageBox::Ok)->click();
    });
    box.Show(u"err"_s);
}

TEST(Controls, ThePointerIsSetAndResetNotStacked)
{
    Qt_Pointer pointer;
    pointer.Set(Pointer_Busy);
    pointer.Set(Pointer_Busy);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    pointer.Set(Pointer_Default);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Window, ARightPressOpensThePopupAndKeepsTheSelection)
{
    List_Archive(u"/arc/a.lzh"_s);
    Select_Row(window->list(), 1);
    QMenu* shown = nullptr;
    When_Shown([&shown](QWidget* widget) {
        shown = qobject_cast<QMenu*>(widget);
        widget->close();
    });
    QTest::mouseClick(window->list().viewport(), Qt::RightButton, Qt::ControlModifier, Row_Point(0));
    EXPECT_EQ(shown, window->menu(u"POPUP"_s));
    EXPECT_FALSE(window->list().Selected(0));
    EXPECT_TRUE(window->list().Selected(1));
}

TEST_F(Window, APopupItemRunsItsCommandOnTheSelection)
{
    List_Archive(u"/arc/a.lzh"_s);
    Select_Row(window->list(), 0);
    When_Shown([this](QWidget*) { Action("DEL_P")->trigger(); window->menu(u"POPUP"_s)->close(); });
    QTest::mouseClick(window->list().viewport(), Qt::RightButton, {}, Row_Point(1));
    EXPECT_EQ(recorder.calls.back().command, "d \"/arc/a.lzh\" \"/\" \"readme.txt\"");
    EXPECT_EQ(window->list().ListCount(), 2);
}

TEST_F(Window, ADoubleClickReadsTheRow)
{
    QTemporaryDir tmp;
    List_Archive(u"/arc/a.lzh"_s);
    window->form().Tmp_Text = tmp.filePath(u"readme.txt"_s);
    window->form().Txt_Viewer = u"/usr/bin/view"_s;
    QTest::mouseDClick(window->list().viewport(), Qt::LeftButton, {}, Row_Point(1));
    const QStringList made = QDir(tmp.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(made.size(), 1);
    const QString folder = tmp.filePath(made[0]);
    EXPECT_EQ(recorder.calls.back().command, "x -c \"/arc/a.lzh\" \"" + folder.toStdString() + "/\" \"docs/numbers.txt\"");
    ASSERT_EQ(desktop.started.size(), 1u);
    EXPECT_EQ(desktop.started[0].arguments, QStringList({folder + u"/docs/numbers.txt"_s}));
}

TEST_F(Window, CopyPutsTheSelectedRowsOnTheClipboard)
{
    List_Archive(u"/arc/a.lzh"_s);
    Select_Row(window->list(), 0);
    Select_Row(window->list(), 2);
    Action("copy")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), Rows()[0] + u'\n' + Rows()[2] + u'\n');
}

TEST_F(Window, ExitClosesTheWindow)
{
    Action("END")->trigger();
    EXPECT_FALSE(window->isVisible());
}

namespace {
// A member's name as the progress callback hands it over; `asked` counts
// how often the window wanted it.
std::function<QString()> Named(const QString& name, int* asked = nullptr)
{
    return [name, asked] {
        if (asked)
            ++*asked;
        return name;
    };
}
}  // namespace

// A call shorter than half a second shows nothing; a longer one shows the
// window over Form1, titled, with the member and the bar; Escape is Cancel.
TEST_F(Window, ALongCallShowsItsProgressAndEscapeStopsIt)
{
    Qt_Progress_Window& progress = window->progress();
    progress.Begin(u"MORVANE - 解凍 - a.lzh"_s);
    int asked = 0;
    EXPECT_TRUE(progress.Step(Named(u"early.txt"_s, &asked), 0.1));
    EXPECT_EQ(progress.dialog(), nullptr);
    EXPECT_EQ(asked, 0);   // a name nobody sees is not made
    QTest::qWait(Qt_Progress_Window::Show_After_Ms + 50);
    EXPECT_TRUE(progress.Step(Named(u"docs/big.bin"_s), 0.5));
    QProgressDialog* dialog = progress.dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->parentWidget(), window.get());
    EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(dialog->windowTitle(), u"MORVANE - 解凍 - a.lzh"_s);
    EXPECT_EQ(dialog->labelText(), u"docs/big.bin"_s);
    EXPECT_EQ(dialog->value(), dialog->maximum() / 2);

    QTest::keyClick(dialog, Qt::Key_Escape);
    QTest::qWait(Qt_Progress_Window::Repaint_Ms + 10);
    EXPECT_FALSE(progress.Step(Named(u"docs/big.bin"_s), 0.6));
    EXPECT_FALSE(progress.Step(Named(u"next.txt"_s), 0.7));   // stopped stays stopped
    progress.End();
    EXPECT_EQ(progress.dialog(), nullptr);

    // The next call starts afresh.
    progress.Begin(u"MORVANE - 削除 - a.lzh"_s);
    EXPECT_TRUE(progress.Step(Named(u"x"_s), 0.0));
    progress.End();
}

// One window for a command on many members: which of how many and the
// member the command works on (a member the call merely copies along does
// not take its place), the bar by the call under way; its close box stops
// the command like Cancel, before as well as during a call.
TEST_F(Window, ACommandOnManyMembersShowsOneWindowCountingThem)
{
    Qt_Progress_Window& progress = window->progress();
    progress.Begin(u"MORVANE - 削除 - a.lzh"_s);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_TRUE(progress.Next(k, 3000, u"small %1.txt"_s.arg(k)));
        EXPECT_TRUE(progress.Step(Named(QString()), 1.0));
    }
    EXPECT_EQ(progress.dialog(), nullptr);
    QTest::qWait(Qt_Progress_Window::Show_After_Ms + 50);
    EXPECT_TRUE(progress.Next(4, 3000, u"big/small.txt"_s));
    QProgressDialog* dialog = progress.dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->labelText(), u"4 / 3000\nbig/small.txt"_s);
    QTest::qWait(Qt_Progress_Window::Repaint_Ms + 10);
    EXPECT_TRUE(progress.Step(Named(QString()), 0.25));   // big/text.b64, copied
    EXPECT_EQ(dialog->labelText(), u"4 / 3000\nbig/small.txt"_s);
    EXPECT_EQ(dialog->value(), dialog->maximum() / 4);
    QTest::qWait(Qt_Progress_Window::Repaint_Ms + 10);
    EXPECT_TRUE(progress.Next(5, 3000, u"docs/"_s));
    QTest::qWait(Qt_Progress_Window::Repaint_Ms + 10);
    EXPECT_TRUE(progress.Step(Named(u"docs/a.txt"_s), 0.5));   // below the folder being deleted
    EXPECT_EQ(dialog->labelText(), u"5 / 3000\ndocs/a.txt"_s);
    EXPECT_EQ(progress.dialog(), dialog);   // still the one window

    dialog->close();
    QTest::qWait(Qt_Progress_Window::Repaint_Ms + 10);
    EXPECT_FALSE(progress.Step(Named(QString()), 0.6));
    EXPECT_FALSE(progress.Next(6, 3000, u"next.txt"_s));
    progress.End();
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
