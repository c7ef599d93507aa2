#include "CanvasDialog.h"

#include "sprite/Limits.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace quillet::display {

CanvasDialog::CanvasDialog(const QString& title, platform::CanvasOutcomeOf outcome, QWidget* parent)
    : QDialog(parent), m_outcome(std::move(outcome)), m_result(new QLabel(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(title);
    auto* form = new QFormLayout(this);
    const char* const names[] = {"canvasLeft", "canvasTop", "canvasRight", "canvasBottom"};
    const char* const labels[] = {"&Left:", "&Top:", "&Right:", "&Bottom:"};
    for (std::size_t side = 0; side < m_sides.size(); ++side) {
        auto* box = new QSpinBox(this);
        box->setObjectName(QLatin1String(names[side]));
        // Any side of a frame can go, however large the frame is.
        box->setRange(-static_cast<int>(limits::kMaxFrameSide),
                      static_cast<int>(limits::kMaxFrameSide));
        box->setSuffix(QStringLiteral(" px"));
        connect(box, &QSpinBox::valueChanged, this, &CanvasDialog::showOutcome);
        form->addRow(QLatin1String(labels[side]), box);
        m_sides[side] = box;
    }
    m_result->setObjectName(QStringLiteral("canvasResult"));
    m_result->setWordWrap(true);
    form->addRow(m_result);
    form->addRow(new QLabel(QStringLiteral("Negative numbers take pixels away; new pixels are "
                                           "transparent (index 0)."),
                            this));
    form->addRow(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showOutcome();
}

platform::CanvasRequest CanvasDialog::request() const {
    return {m_sides[0]->value(), m_sides[1]->value(), m_sides[2]->value(), m_sides[3]->value()};
}

void CanvasDialog::showOutcome() {
    const platform::CanvasOutcome outcome = m_outcome(request());
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(outcome.problem.isEmpty());
    m_result->setText(outcome.problem.isEmpty()
                          ? QStringLiteral("The current frame becomes %1 x %2; %3 %4.")
                                .arg(outcome.width)
                                .arg(outcome.height)
                                .arg(outcome.frames)
                                .arg(outcome.frames == 1 ? QStringLiteral("frame changes")
                                                         : QStringLiteral("frames change"))
                          : outcome.problem);
}

std::optional<platform::CanvasRequest>
CanvasDialogQuestion::ask(const QString& title, const platform::CanvasOutcomeOf& outcome) {
    CanvasDialog dialog(title, outcome, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.request();
}

} // namespace quillet::display
