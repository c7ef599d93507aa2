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
    virtual ~ProgressGate();
    ProgressGate(const ProgressGate&) = delete;
    ProgressGate& operator=(const ProgressGate&) = delete;

    // False once the user cancelled.
    virtual bool step(std::int64_t done, std::int64_t total);
    WorkProgress callback() {
        return [this](std::int64_t done, std::int64_t total) { return step(done, total); };
    }

protected:
    // A gate without a window, for one that decides to cancel by itself.
    ProgressGate();

private:
    std::unique_ptr<QProgressDialog> m_dialog;
    bool m_cancelled = false;
};

} // namespace quillet::editor
