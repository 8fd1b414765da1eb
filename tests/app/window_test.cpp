// The window offscreen: the menus and the routing table, the design-time
// layout, a listing opened through Qt's own file dialog (typed path and
// Return), Cancel, the dialog's flags and filters, the message box, the
// pointer, the context menu on a right press, double-click, copy, exit.
#include "fakes.h"
#include "real_archives.h"
#include "ui/file_dialog.h"
#include "ui/list_widget.h"
#include "ui/main_window.h"
#include "ui/routing.h"
#include "ui/widget_controls.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>

using namespace morvane;
using namespace morvane::testing;
using namespace Qt::StringLiterals;

namespace {

const std::string Two = Listing({{"readme.txt", 6, 6, "readme.txt"}, {"numbers.txt", 13893, 6579, "docs/numbers.txt"}});

// Runs `act` once the next modal dialog or popup is up (within 5 s).
void When_Shown(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        QWidget* widget = QApplication::activePopupWidget();
        if (!widget)
            widget = QApplication::activeModalWidget();
        if (widget || ++*tries > 250) {
            timer->stop();
            timer->deleteLater();
            if (!widget)
                ADD_FAILURE() << "nothing was shown";
            act(widget);
        }
    });
    timer->start(20);
}

// Puts `text` into the dialog's file name field and presses Return. (Typed
// key by key, the name would open the completer's popup, which takes the
// Return; the end-to-end test types it for real.)
void Type_And_Return(QFileDialog& dialog, const QString& text)
{
    auto* edit = dialog.findChild<QLineEdit*>(u"fileNameEdit"_s);
    ASSERT_NE(edit, nullptr);
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

struct Window : ::testing::Test {
    Log log;
    Fake_Desktop desktop{log};
    Recording_Library recorder{log};
    std::unique_ptr<Main_Window> window;

    void SetUp() override
    {
        recorder.Answer_Listing(Two);
        window = std::make_unique<Main_Window>(desktop, recorder.library);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override { window->dialogs().on_show = nullptr; }
    void List_Archive(const QString& path)
    {
        window->form().Lzh_Path = path;
        window->form().File_List();
    }
    QAction* Action(const char* name) const { return window->findChild<QAction*>(QString::fromUtf8(name)); }
    QStringList Rows() const
    {
        QStringList rows;
        for (int i = 0; i < window->list().count(); ++i)
            rows.append(window->list().item(i)->text());
        return rows;
    }
    QPoint Row_Point(int row) const { return window->list().visualItemRect(window->list().item(row)).center(); }
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
    const Twips twips(window->screen()->logicalDotsPerInch());
    EXPECT_EQ(window->windowTitle(), u"Morvane 32bit Ver.97.08"_s);
    EXPECT_EQ(window->label().geometry(), QRect(twips.To_Px(48), twips.To_Px(144), twips.To_Px(6108), twips.To_Px(204)));
    EXPECT_EQ(window->list().pos(), QPoint(twips.To_Px(48), twips.To_Px(336)));
    EXPECT_EQ(window->list().selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(window->frameGeometry().size(), QSize(twips.To_Px(6240), twips.To_Px(4428)));
    // Laid out at once: the window less 200 by 1000 twips.
    EXPECT_EQ(window->list().width(), twips.To_Px(twips.From_Px(window->frameGeometry().width()) - 200));
    EXPECT_TRUE(window->list().font().fixedPitch() || window->list().font().family() == u"IPAGothic"_s ||
                window->list().font().family() == u"ＭＳ ゴシック"_s);
    EXPECT_EQ(window->font().pointSize(), 9);
}

TEST_F(Window, TheListFollowsTheWindow)
{
    const Twips twips(window->screen()->logicalDotsPerInch());
    window->resize(700, 500);
    QApplication::processEvents();
    const QSize outer = window->frameGeometry().size();
    EXPECT_EQ(window->list().size(),
              QSize(twips.To_Px(twips.From_Px(outer.width()) - 200), twips.To_Px(twips.From_Px(outer.height()) - 1000)));
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
    ASSERT_EQ(window->list().count(), 3);
    EXPECT_EQ(window->list().ItemPath(1), u"docs/numbers.txt"_s);
    EXPECT_EQ(Rows()[0], u"readme.txt              6            6 100.0% 26-12-08 09:30:00"_s);

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

TEST_F(File_Dialog, FiltersMatchNamesInAnyLetterCase)
{
    Write_Tree(folder.path(), {{u"a.lzh"_s, ""}, {u"B.LZH"_s, ""}, {u"c.txt"_s, ""}, {u"D.Lzh"_s, ""}});
    EXPECT_EQ(Qt_Name_Filters(u"Lhaﾌｧｲﾙ (*.LZH)|*.LZH|Both|*.a;*.B|"_s),
              QStringList({u"Lhaﾌｧｲﾙ (*.LZH) (*.[lL][zZ][hH])"_s, u"Both (*.[aA] *.[bB])"_s}));
    dialog.Filter = text::Filter_Lzh;
    QStringList shown_names;
    host.on_show = [&](QFileDialog& shown) {
        When_Shown([&shown, &shown_names](QWidget*) {
            auto* model = shown.findChild<QFileSystemModel*>();
            auto* view = shown.findChild<QListView*>(u"listView"_s);
            QTRY_VERIFY_WITH_TIMEOUT(model && view && view->model()->rowCount(view->rootIndex()) > 0, 5000);
            QTest::qWait(200);
            const QModelIndex root = view->rootIndex();
            for (int i = 0; i < view->model()->rowCount(root); ++i) {
                const QModelIndex index = view->model()->index(i, 0, root);
                if (index.flags() & Qt::ItemIsEnabled)
                    shown_names.append(index.data().toString());
            }
            shown.reject();
        });
    };
    dialog.ShowOpen();
    shown_names.sort();
    EXPECT_EQ(shown_names, QStringList({u"B.LZH"_s, u"D.Lzh"_s, u"a.lzh"_s}));
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
    window->list().item(1)->setSelected(true);
    QMenu* shown = nullptr;
    When_Shown([&shown](QWidget* widget) {
        shown = qobject_cast<QMenu*>(widget);
        widget->close();
    });
    QTest::mouseClick(window->list().viewport(), Qt::RightButton, Qt::ControlModifier, Row_Point(0));
    EXPECT_EQ(shown, window->menu(u"POPUP"_s));
    EXPECT_FALSE(window->list().item(0)->isSelected());
    EXPECT_TRUE(window->list().item(1)->isSelected());
}

TEST_F(Window, APopupItemRunsItsCommandOnTheSelection)
{
    List_Archive(u"/arc/a.lzh"_s);
    window->list().item(0)->setSelected(true);
    When_Shown([this](QWidget*) { Action("DEL_P")->trigger(); window->menu(u"POPUP"_s)->close(); });
    QTest::mouseClick(window->list().viewport(), Qt::RightButton, {}, Row_Point(1));
    EXPECT_EQ(recorder.calls.back().command, "d \"/arc/a.lzh\" \"/\" \"readme.txt\"");
    EXPECT_EQ(window->list().count(), 2);
}

TEST_F(Window, ADoubleClickReadsTheRow)
{
    List_Archive(u"/arc/a.lzh"_s);
    window->form().Tmp_Text = u"/tmp/readme.txt"_s;
    window->form().Txt_Viewer = u"/usr/bin/view"_s;
    QTest::mouseDClick(window->list().viewport(), Qt::LeftButton, {}, Row_Point(1));
    EXPECT_EQ(recorder.calls.back().command, "x -c \"/arc/a.lzh\" \"/tmp/\" \"docs/numbers.txt\"");
    ASSERT_EQ(desktop.started.size(), 1u);
    EXPECT_EQ(desktop.started[0].arguments, QStringList({u"/tmp/docs/numbers.txt"_s}));
}

TEST_F(Window, CopyPutsTheSelectedRowsOnTheClipboard)
{
    List_Archive(u"/arc/a.lzh"_s);
    window->list().item(0)->setSelected(true);
    window->list().item(2)->setSelected(true);
    Action("copy")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), Rows()[0] + u'\n' + Rows()[2] + u'\n');
}

TEST_F(Window, ExitClosesTheWindow)
{
    Action("END")->trigger();
    EXPECT_FALSE(window->isVisible());
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
