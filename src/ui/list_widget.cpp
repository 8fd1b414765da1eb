#include "list_widget.h"

#include "listing/listing_parser.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace morvane {

namespace {
constexpr int Path_Role = Qt::UserRole;

int Button_Code(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}
}  // namespace

List_Widget::List_Widget(QWidget* parent, const Twips& twips) : QListWidget(parent), twips_(twips)
{
    setObjectName(QStringLiteral("List1"));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Each row is drawn as the plain text it is, in the window's fixed-pitch
    // font: a full-width character takes two cells and the rest of its row
    // moves right, so rows differ in width. A row wider than the list
    // scrolls; it is never cut short with "...".
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setContextMenuPolicy(Qt::NoContextMenu);
}

int List_Widget::ListCount() const { return count(); }

QString List_Widget::List(int index) const
{
    const QListWidgetItem* row = item(index);
    return row ? row->text() : QString();
}

QString List_Widget::ItemPath(int index) const
{
    const QListWidgetItem* row = item(index);
    return row ? row->data(Path_Role).toString() : QString();
}

bool List_Widget::Selected(int index) const
{
    const QListWidgetItem* row = item(index);
    return row && row->isSelected();
}

void List_Widget::AddItem(const QString& text, const QString& path)
{
    auto* row = new QListWidgetItem(text);
    row->setData(Path_Role, path);
    // The name column shows twelve characters of the last part of the path:
    // the whole stored path tells a/memo.txt from b/memo.txt.
    if (!path.isEmpty())
        row->setToolTip(Path_Of_Name(path));
    addItem(row);
}

void List_Widget::RemoveItem(int index) { delete takeItem(index); }

void List_Widget::Clear() { clear(); }

int List_Widget::Width() const { return twips_.From_Px(width()); }

int List_Widget::Height() const { return twips_.From_Px(height()); }

void List_Widget::SetSize(int width, int height)
{
    // A window only a little larger than the guards leaves nothing for the list.
    resize(std::max(0, twips_.To_Px(width)), std::max(0, twips_.To_Px(height)));
}

void List_Widget::mousePressEvent(QMouseEvent* event)
{
    if (on_mouse_down)
        on_mouse_down(Button_Code(event->button()));
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
}

void List_Widget::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()) && on_double_click)
        on_double_click();
}

}  // namespace morvane

namespace morvane {

Heading_Label::Heading_Label(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
}

void Heading_Label::Follow(const QAbstractScrollArea& list)
{
    connect(list.horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        offset_ = value;
        update();
    });
}

void Heading_Label::paintEvent(QPaintEvent*)
{
    // As QLabel draws a one-line plain caption, moved left with the rows.
    QPainter painter(this);
    QRect area = contentsRect();
    area.setLeft(area.left() - offset_);
    area.setWidth(std::max(area.width() + offset_, fontMetrics().horizontalAdvance(text()) + 1));
    style()->drawItemText(&painter, area, int(alignment()), palette(), isEnabled(), text(), foregroundRole());
}

}  // namespace morvane
