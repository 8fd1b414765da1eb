// The small controls behind Form1's interfaces: label, window frame, message
// box, pointer, context menu, clipboard.
#pragma once

#include "app/controls.h"
#include "twips.h"

class QFontMetrics;
class QLabel;
class QMenu;
class QWidget;

namespace morvane {

class Qt_Label : public Label {
public:
    explicit Qt_Label(QLabel* label) : label_(label) {}
    QString Caption() const override;
    void SetCaption(const QString& caption) override;

private:
    QLabel* label_;
};

class Qt_Window_Frame : public WindowFrame {
public:
    Qt_Window_Frame(QWidget* window, const Twips& twips) : window_(window), twips_(twips) {}
    QString Caption() const override;
    void SetCaption(const QString& caption) override;
    int Width() const override;
    int Height() const override;
    void* Handle() const override;
    void Unload() override;

private:
    QWidget* window_;
    const Twips& twips_;
};

// OK only, no icon, titled "MORVANE", and at least Title_Bar_Width wide.
class Qt_Message_Box : public MessageBox {
public:
    explicit Qt_Message_Box(QWidget* window) : window_(window) {}
    void Show(const QString& text) override;

private:
    QWidget* window_;
};

// The application's override cursor, set and reset, never stacked.
class Qt_Pointer : public MousePointer {
public:
    void Set(PointerShape shape) override;
};

class Qt_Popup : public PopupMenu {
public:
    explicit Qt_Popup(QMenu* menu) : menu_(menu) {}
    void Show() override;

private:
    QMenu* menu_;
};

class Qt_Clipboard : public Clipboard {
public:
    void SetText(const QString& text) override;
};

inline const QString Application_Title = QStringLiteral("MORVANE");

// Wide enough for a title bar that shows "MORVANE" beside its buttons.
int Title_Bar_Width(const QFontMetrics& metrics);

}  // namespace morvane
