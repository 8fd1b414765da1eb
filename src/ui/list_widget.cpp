#include "list_widget.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

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
// Draws a row's 12-character name field in 12 half-width cells and the rest
// of the row after it.  A full-width character takes two cells of the font
// but one character of the field, so drawn as one string a Japanese name
// would push its row's numbers out of line with the others and the heading.
class Row_Delegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

        const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect inner = area.adjusted(margin, 0, -margin, 0);
        painter->save();
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        const int name_width = Name_Cells * opt.fontMetrics.horizontalAdvance(u'0');
        painter->setClipRect(inner.left(), area.top(), name_width, area.height());
        painter->drawText(inner, Qt::AlignLeft | Qt::AlignVCenter, text.left(Name_Cells));
        painter->setClipping(false);
        painter->drawText(inner.adjusted(name_width, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text.mid(Name_Cells));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const QString text = index.data().toString();
        const QFontMetrics& fm = option.fontMetrics;
        size.setWidth(Name_Cells * fm.horizontalAdvance(u'0') + fm.horizontalAdvance(text.mid(Name_Cells)) + 8);
        return size;
    }

private:
    static constexpr int Name_Cells = 12;
};

}  // namespace

List_Widget::List_Widget(QWidget* parent, const Twips& twips) : QListWidget(parent), twips_(twips)
{
    setObjectName(QStringLiteral("List1"));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    // A row wider than the list scrolls; it is never cut short with "...".
    setTextElideMode(Qt::ElideNone);
    setContextMenuPolicy(Qt::NoContextMenu);
    setItemDelegate(new Row_Delegate(this));
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
