#include "widget_controls.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>

namespace morvane {

QString Qt_Label::Caption() const { return label_->text(); }

void Qt_Label::SetCaption(const QString& caption) { label_->setText(caption); }

QString Qt_Window_Frame::Caption() const { return window_->windowTitle(); }

void Qt_Window_Frame::SetCaption(const QString& caption) { window_->setWindowTitle(caption); }

// The outer size, frame and caption bar included.
int Qt_Window_Frame::Width() const { return twips_.From_Px(window_->frameGeometry().width()); }

int Qt_Window_Frame::Height() const { return twips_.From_Px(window_->frameGeometry().height()); }

void* Qt_Window_Frame::Handle() const { return reinterpret_cast<void*>(window_->winId()); }

void Qt_Window_Frame::Unload() { window_->close(); }

void Qt_Message_Box::Show(const QString& text)
{
    QWidget* parent = window_ && window_->isVisible() ? window_ : nullptr;
    QMessageBox box(QMessageBox::NoIcon, Application_Title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    // A box sized to "err" alone leaves its title bar no room for the title;
    // a row of the box's own grid keeps it wide enough for the title and the
    // title bar's buttons.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int width = Title_Bar_Width(box.fontMetrics());
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    box.exec();
}

int Title_Bar_Width(const QFontMetrics& metrics)
{
    // The title, and about six characters' room for each of an icon and
    // three buttons a window manager puts beside it.
    return metrics.horizontalAdvance(Application_Title) + 24 * metrics.averageCharWidth();
}

void Qt_Pointer::Set(PointerShape shape)
{
    if (shape == Pointer_Default) {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    } else if (QApplication::overrideCursor()) {
        QApplication::changeOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

void Qt_Popup::Show() { menu_->exec(QCursor::pos()); }

void Qt_Clipboard::SetText(const QString& text) { QApplication::clipboard()->setText(text); }

}  // namespace morvane
