// List1: a list with extended selection whose rows carry their member's
// stored path (shown as the row's tooltip). A right-button press reports the
// button and leaves the selection alone, so the context menu acts on what is
// selected. Label1, the heading above it, moves sideways with its rows.
#pragma once

#include "app/controls.h"
#include "twips.h"

#include <QLabel>
#include <QListWidget>
#include <functional>

namespace morvane {

class List_Widget : public QListWidget, public ListBox {
public:
    List_Widget(QWidget* parent, const Twips& twips);

    std::function<void(int button)> on_mouse_down;
    std::function<void()> on_double_click;

    int ListCount() const override;
    QString List(int index) const override;
    QString ItemPath(int index) const override;
    bool Selected(int index) const override;
    void AddItem(const QString& text, const QString& path) override;
    void RemoveItem(int index) override;
    void Clear() override;
    int Width() const override;
    int Height() const override;
    void SetSize(int width, int height) override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const Twips& twips_;
};

// Label1: its caption stays over the columns it names when the list's rows
// scroll sideways. The label itself keeps its place and size.
class Heading_Label : public QLabel {
public:
    Heading_Label(const QString& text, QWidget* parent);
    void Follow(const QAbstractScrollArea& list);
    int Offset() const { return offset_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int offset_ = 0;
};

}  // namespace morvane
