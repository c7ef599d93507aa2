#pragma once

#include "sprite/Progress.h"

#include <QString>
#include <memory>

class QProgressDialog;
class QWidget;

namespace quillet::editor {

// The progress window of long work that may be cancelled: it appears only
// when the work lasts longer than half a second, and tells the work to stop
// once Cancel is pressed.
class ProgressGate {
public:
    ProgressGate(QWidget* parent, const QString& label);
    ~ProgressGate();
    ProgressGate(const ProgressGate&) = delete;
    ProgressGate& operator=(const ProgressGate&) = delete;

    // False once the user cancelled.
    bool step(std::int64_t done, std::int64_t total);
    WorkProgress callback() {
        return [this](std::int64_t done, std::int64_t total) { return step(done, total); };
    }
    bool cancelled() const { return m_cancelled; }

    // Tests press Cancel without a display or a wait: from now on, every gate
    // cancels at its `step`-th report (from 1); 0 never.
    static void cancelAtStepForTests(int step);

private:
    std::unique_ptr<QProgressDialog> m_dialog;
    int m_steps = 0;
    bool m_cancelled = false;
};

} // namespace quillet::editor
