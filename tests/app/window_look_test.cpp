// What the window looks like to a person: rows drawn as the text they are
// (a full-width character two cells wide), the stored path as a row's
// tooltip, the heading over its columns when the rows scroll sideways, the
// font under either of its names, the message box's width, Qt's own texts
// in Japanese.
#include "ui/list_widget.h"
#include "ui/main_window.h"
#include "ui/translations.h"
#include "ui/widget_controls.h"
#include "window_helpers.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::testing;
using namespace Qt::StringLiterals;

namespace {

const std::string One = Golden_Listing("edge/memo.lzh");
const QString Rest = u"            6            6 100.0% 26-12-08 09:30:00"_s;

struct Window_Look : ::testing::Test, Shown_Window {
    Window_Look() : Shown_Window(One) {}
};

// The x just past the last pixel drawn in `rect` of `image` (its background
// is the colour of its top-right corner).
int Drawn_Right(const QImage& image, const QRect& rect)
{
    const QRgb background = image.pixel(rect.right(), rect.top());
    for (int x = rect.right(); x >= rect.left(); --x) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            if (image.pixel(x, y) != background)
                return x + 1;
        }
    }
    return rect.left();
}

}  // namespace

TEST(Window_Font, IsTheJapaneseGothicUnderEitherOfItsNames)
{
    const QStringList families = QFontDatabase::families();
    ASSERT_TRUE(families.contains(u"IPAGothic"_s) || families.contains(u"IPAゴシック"_s))
        << "fonts-ipafont-gothic is not installed";
    // The family asked for, not the one resolved: fontconfig may well
    // resolve a fallback to the same gothic.
    const QFont font = Window_Font();
    EXPECT_TRUE(families.contains(font.family()) &&
                (font.family() == u"IPAGothic"_s || font.family() == u"IPAゴシック"_s))
        << font.family().toStdString();
    EXPECT_EQ(font.pointSize(), 9);
    // Fixed pitch, a full-width character in two cells.
    const QFontMetrics metrics(font);
    EXPECT_EQ(metrics.horizontalAdvance(u'W'), metrics.horizontalAdvance(u'i'));
    EXPECT_EQ(metrics.horizontalAdvance(u'表'), 2 * metrics.horizontalAdvance(u'0'));
}

TEST_F(Window_Look, ARowIsDrawnAsItsTextSoAFullWidthNameShowsWhole)
{
    // Two names of nine characters, one with five full-width ones.
    auto& list = window->list();
    list.Clear();
    const QString japanese = u"表示テスト.txt   "_s + Rest;
    const QString latin = u"abcde.txt   "_s + Rest;
    list.AddItem(japanese, u"表示テスト.txt"_s);
    list.AddItem(latin, u"abcde.txt"_s);
    window->resize(900, 300);
    QApplication::processEvents();
    EXPECT_EQ(list.List(0), japanese);   // the row text itself is unchanged

    const QImage image = list.viewport()->grab().toImage();
    const int cell = QFontMetrics(list.font()).horizontalAdvance(u'0');
    const int japanese_right = Drawn_Right(image, Row_Rect(list, 0));
    const int latin_right = Drawn_Right(image, Row_Rect(list, 1));
    // The Japanese row is five cells wider: its columns moved right, none
    // of its characters was cut.
    EXPECT_NEAR(japanese_right - latin_right, 5 * cell, 1);
    EXPECT_GE(Row_Rect(list, 0).width(), QFontMetrics(list.font()).horizontalAdvance(japanese));
}

// Every row is as wide as the widest, wherever that stands and however the
// rows came: scrolled fully to the right, the widest row's last character
// is in view.
TEST_F(Window_Look, TheWidestRowSetsHowFarTheRowsScroll)
{
    auto& list = window->list();
    list.Clear();
    const QString wide = u"表示テスト表示テスト.txt"_s + Rest + u"   ここまで"_s;
    list.AddItems({{u"a.txt       "_s + Rest, u"a.txt"_s}, {u"b.txt       "_s + Rest, u"b.txt"_s}});
    list.AddItem(wide, u"wide.txt"_s);
    list.AddItems({{u"c.txt       "_s + Rest, u"c.txt"_s}});
    window->resize(300, 300);
    QApplication::processEvents();
    const int advance = QFontMetrics(list.font()).horizontalAdvance(wide);
    for (int row = 0; row < 4; ++row)
        EXPECT_GE(Row_Rect(list, row).width(), advance) << row;
    list.horizontalScrollBar()->setValue(list.horizontalScrollBar()->maximum());
    QApplication::processEvents();
    const QImage image = list.viewport()->grab().toImage();
    const QRect row = Row_Rect(list, 2);
    ASSERT_TRUE(row.intersects(list.viewport()->rect()));
    // The row's text ends inside the view, not past its right edge.
    EXPECT_LT(Drawn_Right(image, row.intersected(list.viewport()->rect())), list.viewport()->width());

    // Emptied and filled again with narrow rows only: no wide row is left.
    list.Clear();
    list.AddItems({{u"a.txt       "_s + Rest, u"a.txt"_s}});
    QApplication::processEvents();
    EXPECT_LT(Row_Rect(list, 0).width(), advance);
}

TEST_F(Window_Look, ARowsTooltipIsItsWholeStoredPath)
{
    List_Archive(u"/arc/a.lzh"_s);
    ASSERT_EQ(window->list().ListCount(), 3);
    EXPECT_EQ(Tooltip(window->list(), 0), u"a/memo.txt"_s);
    EXPECT_EQ(Tooltip(window->list(), 1), u"b/memo.txt"_s);
    EXPECT_EQ(Tooltip(window->list(), 2), u""_s);   // the summary row names no member
    // A name listed in its exact form shows as the path it stands for.
    window->list().Clear();
    window->list().AddItem(u"a?b"_s, u"dir/a%22b"_s);
    EXPECT_EQ(Tooltip(window->list(), 0), u"dir/a\"b"_s);
}

TEST_F(Window_Look, TheHeadingStaysOverItsColumnsWhenTheRowsScrollSideways)
{
    List_Archive(u"/arc/a.lzh"_s);
    window->form().Label1.SetCaption(Column_Heading());
    window->resize(200, 300);
    QApplication::processEvents();
    QScrollBar* bar = window->list().horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 40);
    const QRect place = window->label().geometry();
    const QImage before = window->label().grab().toImage();
    bar->setValue(40);
    QApplication::processEvents();
    const QImage after = window->label().grab().toImage();
    EXPECT_EQ(window->label().geometry(), place);
    ASSERT_EQ(after.size(), before.size());
    // What stood at x + 40 now stands at x.
    int differing = 0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x + 40 < after.width(); ++x)
            differing += after.pixel(x, y) != before.pixel(x + 40, y);
    EXPECT_EQ(differing, 0);
    EXPECT_NE(after, before);
    bar->setValue(0);
    QApplication::processEvents();
    EXPECT_EQ(window->label().grab().toImage(), before);
}

TEST(Message_Box, IsWideEnoughForItsTitle)
{
    Qt_Message_Box box(nullptr);
    int width = 0, title = 0;
    When_Shown([&](QWidget* widget) {
        width = widget->width();
        title = widget->fontMetrics().horizontalAdvance(u"MORVANE"_s);
        qobject_cast<QMessageBox*>(widget)->button(QMessageBox::Ok)->click();
    });
    box.Show(u"err"_s);
    // The title, and room beside it for an icon and three buttons of a title bar.
    EXPECT_GE(width, title + 4 * 24);
}

TEST(Qt_Texts, AJapaneseDesktopShowsQtsOwnDialogTextsInJapanese)
{
    const auto cancel_text = [] {
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        auto* name = dialog.findChild<QLabel*>(u"fileNameLabel"_s);
        return (buttons ? buttons->button(QDialogButtonBox::Cancel)->text() : u"?"_s) + u'|' +
               (name ? name->text() : u"?"_s);
    };
    const QString english = cancel_text();
    EXPECT_EQ(english, u"Cancel|File &name:"_s);
    {
        const auto translation = Install_Qt_Translation(QLocale(QLocale::Japanese, QLocale::Japan));
        ASSERT_NE(translation, nullptr) << "qt6-translations-l10n is not installed";
        EXPECT_EQ(cancel_text(), u"キャンセル|ファイル名(&N):"_s);
    }
    EXPECT_EQ(cancel_text(), english);   // gone with its translator
    EXPECT_EQ(Install_Qt_Translation(QLocale::c()), nullptr);
}
