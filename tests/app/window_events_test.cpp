// The window's own events: the resize guards, the context menu, exit, copy.
#include "fakes.h"

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::testing;
using namespace Qt::StringLiterals;

TEST(FormResize, TheListFollowsTheWindowPastBothGuards)
{
    Fake_Form f;
    f.list.width = f.list.height = 1;
    f.form.Form_Resize();
    EXPECT_EQ(f.list.width, 6040);
    EXPECT_EQ(f.list.height, 3428);

    // Exactly at a guard nothing changes.
    f.window.height = 700;
    f.window.width = 5000;
    f.form.Form_Resize();
    EXPECT_EQ(f.list.width, 6040);
    f.window.height = 5000;
    f.window.width = 120;
    f.form.Form_Resize();
    EXPECT_EQ(f.list.height, 3428);

    // One twip past both: laid out again (the binding keeps a negative size at zero).
    f.window.height = 701;
    f.window.width = 121;
    f.form.Form_Resize();
    EXPECT_EQ(f.list.height, -299);
    EXPECT_EQ(f.list.width, -79);
    f.window.height = 9000;
    f.window.width = 12000;
    f.form.Form_Resize();
    EXPECT_EQ(f.list.width, 11800);
    EXPECT_EQ(f.list.height, 8000);
}

TEST(ListMouseDown, OnlyTheRightButtonOpensTheContextMenuAndTheSelectionStays)
{
    Fake_Form f;
    f.List(u"/arc/a.lzh"_s, Golden_Listing("edge/abc.lzh"));
    f.list.Select({1});
    f.log.clear();
    f.form.List1_MouseDown(1);
    f.form.List1_MouseDown(4);
    EXPECT_TRUE(f.log.empty());
    f.popup.choose = [&] { f.form.File_Del(); };   // the person picks 削除(&D)
    f.form.List1_MouseDown(2);
    EXPECT_EQ(f.log, Log({"popup", "pointer 11", "unlha d \"/arc/a.lzh\" \"/\" \"b.txt\"", "pointer 0"}));
}

TEST(EndClick, UnloadsTheWindowAndTouchesNothingElse)
{
    Fake_Form f;
    f.form.END_Click();
    EXPECT_TRUE(f.window.unloaded);
    EXPECT_TRUE(f.log.empty());
}

TEST(CopyClick, PutsTheSelectedRowsOnTheClipboardOneALine)
{
    Fake_Form f;
    f.List(u"/arc/a.lzh"_s, Golden_Listing("edge/abc.lzh"));
    f.form.copy_Click();
    EXPECT_EQ(f.clipboard.sets, 0);   // nothing selected: the clipboard keeps what it had
    f.list.Select({0, 2, 3});
    f.form.copy_Click();
    EXPECT_EQ(f.clipboard.text, f.list.rows[0].text + u'\n' + f.list.rows[2].text + u'\n' + f.list.rows[3].text + u'\n');
    EXPECT_EQ(f.list.rows.size(), 4u);
}
