#include "progress_window.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>

namespace morvane {

namespace {
constexpr int Steps = 1000;   // the bar's resolution
}  // namespace

Qt_Progress_Window::Qt_Progress_Window(QWidget* window) : window_(window) {}

Qt_Progress_Window::~Qt_Progress_Window() = default;

void Qt_Progress_Window::Begin(const QString& title)
{
    dialog_.reset();
    title_ = title;
    count_.clear();
    name_.clear();
    cancelled_ = false;
    started_.start();
    painted_.invalidate();
}

bool Qt_Progress_Window::Next(int k, int n, const QString& name)
{
    count_ = QStringLiteral("%1 / %2").arg(k).arg(n);
    name_ = name;
    return Update(nullptr, 0.0);
}

bool Qt_Progress_Window::Step(const std::function<QString()>& member, double done)
{
    return Update(&member, done);
}

bool Qt_Progress_Window::Update(const std::function<QString()>* member, double done)
{
    if (cancelled_)
        return false;
    if (!dialog_) {
        if (started_.elapsed() < Show_After_Ms) {
            // The main window repaints (a dialog that closed just before
            // leaves its place to redraw) but takes no input meanwhile.
            if (!painted_.isValid() || painted_.elapsed() >= Repaint_Ms) {
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                painted_.start();
            }
            return true;
        }
        // Over the main window once it shows; alone at start-up.
        QWidget* parent = window_ && window_->isVisible() ? window_ : nullptr;
        dialog_ = std::make_unique<QProgressDialog>(QString(), QStringLiteral("キャンセル"), 0, Steps, parent);
        dialog_->setObjectName(QStringLiteral("Progress"));
        dialog_->setWindowTitle(title_);
        dialog_->setWindowModality(Qt::ApplicationModal);
        dialog_->setMinimumDuration(0);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->setMinimumWidth(420);
        dialog_->show();
        painted_.invalidate();
    } else if (painted_.isValid() && painted_.elapsed() < Repaint_Ms) {
        return true;
    }
    if (member) {
        if (QString name = (*member)(); !name.isEmpty())
            name_ = std::move(name);
    }
    dialog_->setLabelText(count_.isEmpty() ? name_ : count_ + u'\n' + name_);
    dialog_->setValue(int(std::clamp(done, 0.0, 1.0) * Steps));
    painted_.start();
    // Paint and take the Cancel button's click; the main window's input is
    // blocked while the modal window shows.
    QCoreApplication::processEvents();
    cancelled_ = dialog_->wasCanceled();
    return !cancelled_;
}

void Qt_Progress_Window::End()
{
    dialog_.reset();
}

}  // namespace morvane
