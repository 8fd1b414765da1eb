// The progress window of a long archiver call: a member name, a bar by
// bytes and a Cancel button (Escape presses it), titled "MORVANE - what -
// archive". Application-modal while it shows, so the main window repaints
// but takes no input until the call returns.
#pragma once

#include "app/controls.h"

#include <QElapsedTimer>
#include <memory>

class QProgressDialog;
class QWidget;

namespace morvane {

class Qt_Progress_Window : public ProgressWindow {
public:
    explicit Qt_Progress_Window(QWidget* window);
    ~Qt_Progress_Window() override;

    void Begin(const QString& title) override;
    bool Step(const QString& member, double done) override;
    void End() override;

    // A call shorter than this shows no window; updates come no more often
    // than every Repaint.
    static constexpr int Show_After_Ms = 500;
    static constexpr int Repaint_Ms = 40;

    QProgressDialog* dialog() const { return dialog_.get(); }   // for tests

private:
    QWidget* window_;
    std::unique_ptr<QProgressDialog> dialog_;
    QString title_;
    QElapsedTimer started_, painted_;
    bool cancelled_ = false;
};

}  // namespace morvane
