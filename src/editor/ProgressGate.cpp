#include "ProgressGate.h"

#include "quillet/Version.h"

#include <QProgressDialog>
#include <limits>

namespace quillet::editor {

namespace {

constexpr int kDelayMs = 500;

} // namespace

ProgressGate::ProgressGate(QWidget* parent, const QString& label)
    : m_dialog(std::make_unique<QProgressDialog>(label, QStringLiteral("Cancel"), 0, 0, parent)) {
    m_dialog->setWindowTitle(QString::fromUtf8(version::appTitle));
    // Modal, so no command can change the document while the work runs.
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(kDelayMs);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
}

ProgressGate::ProgressGate() = default;

ProgressGate::~ProgressGate() = default;

bool ProgressGate::step(std::int64_t done, std::int64_t total) {
    if (m_cancelled)
        return false;
    // The dialog counts in int; byte totals of large files may not fit.
    int shift = 0;
    while ((total >> shift) > std::numeric_limits<int>::max())
        ++shift;
    m_dialog->setMaximum(static_cast<int>(total >> shift));
    m_dialog->setValue(static_cast<int>(done >> shift));
    m_cancelled = m_dialog->wasCanceled();
    return !m_cancelled;
}

} // namespace quillet::editor
