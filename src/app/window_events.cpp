// The window's own events: resizing, the list's mouse button, exit, copy.
#include "form1.h"

namespace morvane {

namespace {
constexpr int Min_Height = 700;   // twips; at or below it the list is left alone
constexpr int Min_Width = 120;
constexpr int Height_Off = 1000;  // what the list leaves of the window's height
constexpr int Width_Off = 200;
constexpr int Right_Button = 2;
}  // namespace

void Form1::Form_Resize()
{
    const int height = window_.Height();
    const int width = window_.Width();
    if (height > Min_Height && width > Min_Width)
        List1.SetSize(width - Width_Off, height - Height_Off);
}

void Form1::List1_MouseDown(int button)
{
    // The selection stays as it is: the menu's commands act on it.
    if (button == Right_Button)
        popup_.Show();
}

void Form1::END_Click()
{
    window_.Unload();
}

void Form1::copy_Click()
{
    QString rows;
    for (int i = 0; i < List1.ListCount(); ++i) {
        if (List1.Selected(i))
            rows += List1.List(i) + u'\n';
    }
    if (!rows.isEmpty())
        clipboard_.SetText(rows);
}

}  // namespace morvane
