// The progress window of archiver work: for a command on several members
// which one of how many ("12 / 3000"), the member's name, and a bar by
// bytes of the call under way; a Cancel button (Escape and the close box
// press it too). Titled "MORVANE - what - archive". Application-modal while
// it shows, so the main window repaints but takes no input until the work
// is done.
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
    bool Next(int k, int n, const QString& name) override;
    bool Step(const std::function<QString()>& member, double done) override;
    void End() override;

    // Work shorter than this shows no window; updates come no more often
    // than every Repaint.
    static constexpr int Show_After_Ms = 500;
    static constexpr int Repaint_Ms = 40;

    QProgressDialog* dialog() const { return dialog_.get(); }   // for tests

private:
    // Shows what there is to show when it is due; false once cancelled.
    bool Update(const std::function<QString()>* member, double done);

    QWidget* window_;
    std::unique_ptr<QProgressDialog> dialog_;
    QString title_;
    QString count_;   // "k / n", or "" for a single call
    QString name_;
    QElapsedTimer started_, painted_;
    bool cancelled_ = false;
};

}  // namespace morvane
