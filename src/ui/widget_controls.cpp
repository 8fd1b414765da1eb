#include "widget_controls.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
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
    box.exec();
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
