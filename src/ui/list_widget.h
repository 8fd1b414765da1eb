// List1: a list with extended selection whose rows carry their member's
// stored path (shown as the row's tooltip). A right-button press reports the
// button and leaves the selection alone, so the context menu acts on what is
// selected. Label1, the heading above it, moves sideways with its rows.
//
// The rows live in a model of their own, plain text and path side by side,
// and every row is as wide as the widest: a listing of hundreds of
// thousands of members is added in one go and laid out without measuring
// each row by the text engine.
#pragma once

#include "app/controls.h"
#include "twips.h"

#include <QLabel>
#include <QListView>
#include <functional>
#include <span>
#include <vector>

namespace morvane {

class List_Model;

class List_Widget : public QListView, public ListBox {
public:
    List_Widget(QWidget* parent, const Twips& twips);
    ~List_Widget() override;

    std::function<void(int button)> on_mouse_down;
    std::function<void()> on_double_click;

    int ListCount() const override;
    QString List(int index) const override;
    QString ItemPath(int index) const override;
    bool Selected(int index) const override;
    void AddItem(const QString& text, const QString& path) override;
    void AddItems(std::vector<List_Row> rows) override;
    void RemoveItem(int index) override;
    void Clear() override;
    int Width() const override;
    int Height() const override;
    void SetSize(int width, int height) override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The widest of these rows' text, in pixels, without shaping each row:
    // the font is fixed-pitch, so a row is as wide as its characters.
    int Widest(std::span<const List_Row> rows);
    void Fit_Rows(int widest);   // every row this wide, or wider when it was

    const Twips& twips_;
    List_Model* model_;
    std::vector<qint16> advance_;   // per UTF-16 unit; -1 not yet measured
    int widest_ = 0;
    bool painted_ = false;
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
