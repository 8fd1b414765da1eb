// Driving Qt's own dialogs and popups from a test: wait for one to show,
// type into a file dialog, read what its list shows.
#pragma once

#include "fakes.h"
#include "ui/list_widget.h"
#include "ui/main_window.h"

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

namespace morvane::testing {

// Runs `act` once the next modal dialog or popup is up (within 5 s).
void When_Shown(std::function<void(QWidget*)> act);

// Puts `text` into the dialog's file name field and presses Return. (Typed
// key by key, the name would open the completer's popup, which takes the
// Return; the end-to-end test types it for real.)
void Type_And_Return(QFileDialog& dialog, const QString& text);

// The names of the files (not folders) that the dialog's list shows as
// choosable, sorted, once there are `expected` of them (or after 5 s).
QStringList Shown_Names(QFileDialog& dialog, int expected);

// List1's rows as a person selects and sees them.
void Select_Row(List_Widget& list, int row);
QRect Row_Rect(const List_Widget& list, int row);
QString Tooltip(const List_Widget& list, int row);

// The main window over fakes, shown, with `listing` the answer to every "l".
struct Shown_Window {
    explicit Shown_Window(const std::string& listing);
    Log log;
    Fake_Desktop desktop{log};
    Recording_Library recorder{log};
    std::unique_ptr<Main_Window> window;

    void List_Archive(const QString& path);
    QAction* Action(const char* name) const;
    QStringList Rows() const;
    QPoint Row_Point(int row) const;
};

}  // namespace morvane::testing
