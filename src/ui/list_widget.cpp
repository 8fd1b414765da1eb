#include "list_widget.h"

#include "listing/listing_parser.h"

#include <QAbstractListModel>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <iterator>

namespace morvane {

// When the list first shows its rows, for measuring how long an archive
// takes to open: QT_LOGGING_RULES="morvane.paint.debug=true".
Q_LOGGING_CATEGORY(lcPaint, "morvane.paint", QtInfoMsg)

namespace {
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

class List_Model : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    std::vector<List_Row> rows;
    QSize row_size;   // every row's; invalid: the view measures a row itself

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(rows.size()); }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || std::size_t(index.row()) >= rows.size())
            return {};
        const List_Row& row = rows[std::size_t(index.row())];
        switch (role) {
        case Qt::DisplayRole:
            return row.text;
        case Qt::ToolTipRole:
            // The name column shows twelve characters of the last part of
            // the path: the whole stored path tells a/memo.txt from b/memo.txt.
            return row.path.isEmpty() ? QVariant() : QVariant(Path_Of_Name(row.path));
        case Qt::SizeHintRole:
            return row_size.isValid() ? QVariant(row_size) : QVariant();
        default:
            return {};
        }
    }

    void Append(std::vector<List_Row> more)
    {
        if (more.empty())
            return;
        const int first = int(rows.size());
        beginInsertRows({}, first, first + int(more.size()) - 1);
        if (rows.empty())
            rows = std::move(more);
        else
            std::move(more.begin(), more.end(), std::back_inserter(rows));
        endInsertRows();
    }

    void Remove(int index)
    {
        beginRemoveRows({}, index, index);
        rows.erase(rows.begin() + index);
        endRemoveRows();
    }

    void Clear()
    {
        beginResetModel();
        rows.clear();
        row_size = QSize();
        endResetModel();
    }
};

List_Widget::List_Widget(QWidget* parent, const Twips& twips)
    : QListView(parent), twips_(twips), model_(new List_Model(this))
{
    setObjectName(QStringLiteral("List1"));
    setModel(model_);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Each row is drawn as the plain text it is, in the window's fixed-pitch
    // font: a full-width character takes two cells and the rest of its row
    // moves right, so rows differ in width. A row wider than the list
    // scrolls; it is never cut short with "...".
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setUniformItemSizes(true);
    setContextMenuPolicy(Qt::NoContextMenu);
}

List_Widget::~List_Widget() = default;

int List_Widget::ListCount() const { return int(model_->rows.size()); }

QString List_Widget::List(int index) const
{
    return index >= 0 && index < ListCount() ? model_->rows[std::size_t(index)].text : QString();
}

QString List_Widget::ItemPath(int index) const
{
    return index >= 0 && index < ListCount() ? model_->rows[std::size_t(index)].path : QString();
}

bool List_Widget::Selected(int index) const
{
    return index >= 0 && index < ListCount() && selectionModel()->isSelected(model_->index(index));
}

void List_Widget::AddItem(const QString& text, const QString& path)
{
    AddItems({{text, path}});
}

void List_Widget::AddItems(std::vector<List_Row> rows)
{
    const int widest = Widest(rows);
    model_->Append(std::move(rows));
    Fit_Rows(widest);
}

void List_Widget::RemoveItem(int index)
{
    if (index >= 0 && index < ListCount())
        model_->Remove(index);
}

void List_Widget::Clear()
{
    model_->Clear();
    widest_ = 0;
}

int List_Widget::Width() const { return twips_.From_Px(width()); }

int List_Widget::Height() const { return twips_.From_Px(height()); }

void List_Widget::SetSize(int width, int height)
{
    // A window only a little larger than the guards leaves nothing for the list.
    resize(std::max(0, twips_.To_Px(width)), std::max(0, twips_.To_Px(height)));
}

int List_Widget::Widest(std::span<const List_Row> rows)
{
    const QFontMetrics metrics(font());
    if (advance_.empty())
        advance_.assign(0x10000, -1);
    int widest = 0;
    for (const List_Row& row : rows) {
        int width = 0;
        const QString& text = row.text;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                width += metrics.horizontalAdvance(text.mid(i, 2));
                ++i;
                continue;
            }
            qint16& advance = advance_[c];
            if (advance < 0)
                advance = qint16(metrics.horizontalAdvance(QChar(c)));
            width += advance;
        }
        widest = std::max(widest, width);
    }
    return widest;
}

void List_Widget::Fit_Rows(int widest)
{
    if (model_->rows.empty() || (widest <= widest_ && model_->row_size.isValid()))
        return;
    widest_ = std::max(widest_, widest);
    // A row's frame around its text, as the style draws one of a single cell.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.text = QStringLiteral("0");
    option.features |= QStyleOptionViewItem::HasDisplay;
    const QSize cell = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this);
    const int frame = cell.width() - QFontMetrics(option.font).horizontalAdvance(u'0');
    model_->row_size = QSize(widest_ + frame, cell.height());
    scheduleDelayedItemsLayout();
}

void List_Widget::changeEvent(QEvent* event)
{
    QListView::changeEvent(event);
    if (event->type() != QEvent::FontChange)
        return;
    advance_.clear();
    widest_ = 0;
    model_->row_size = QSize();
    Fit_Rows(Widest(model_->rows));
}

void List_Widget::mousePressEvent(QMouseEvent* event)
{
    if (on_mouse_down)
        on_mouse_down(Button_Code(event->button()));
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

void List_Widget::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    if (painted_)
        return;
    painted_ = true;
    qCDebug(lcPaint, "first paint: %d rows", ListCount());
}

void List_Widget::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid() && on_double_click)
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
