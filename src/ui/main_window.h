// The main window: Form1's widgets at their design-time places, its menus
// built from the routing table's menu list, and the events routed to Form1.
#pragma once

#include "app/form1.h"
#include "file_dialog.h"
#include "progress_window.h"
#include "twips.h"
#include "widget_controls.h"

#include <QMainWindow>
#include <QMap>
#include <memory>

class QMenu;

namespace morvane {

class Heading_Label;
class List_Widget;
class UnlhaLibrary;

class Main_Window : public QMainWindow {
public:
    Main_Window(Desktop& desktop, const UnlhaLibrary& library);
    ~Main_Window() override;

    Form1& form() { return *form_; }
    List_Widget& list() { return *list_; }
    Heading_Label& label() { return *label_; }
    Qt_File_Dialog& dialogs() { return dialogs_; }
    Qt_Progress_Window& progress() { return progress_; }
    QMenu* menu(const QString& name) const { return menus_.value(name); }

    // Runs the procedure that the routing table gives for `event`.
    void Fire(const char* event, int arg = 0);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Build_Menus();

    Twips twips_;
    Heading_Label* label_;
    List_Widget* list_;
    QMap<QString, QMenu*> menus_;
    Qt_Label label_control_;
    Qt_Window_Frame frame_;
    Qt_File_Dialog dialogs_;
    Qt_Message_Box messages_;
    Qt_Pointer pointer_;
    std::unique_ptr<Qt_Popup> popup_;
    Qt_Progress_Window progress_;
    Qt_Clipboard clipboard_;
    std::unique_ptr<Form1> form_;
    bool placed_ = false;
};

// "ＭＳ ゴシック" where present, else IPAGothic, else the system's monospace;
// 9 pt. Each is found under its English and its Japanese name.
QFont Window_Font();

}  // namespace morvane
