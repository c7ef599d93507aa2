#pragma once

#include "platform/CanvasQuestion.h"

#include <QDialog>
#include <array>

class QDialogButtonBox;
class QLabel;
class QSpinBox;

namespace quillet::display {

// Asks how many pixels to add or take away at each side of the selected
// frames; a line under the numbers tells what the current frame becomes and
// how many frames change, or why OK is refused.
class CanvasDialog : public QDialog {
    Q_OBJECT
public:
    CanvasDialog(const QString& title, platform::CanvasOutcomeOf outcome,
                 QWidget* parent = nullptr);

    platform::CanvasRequest request() const;

private:
    void showOutcome();

    platform::CanvasOutcomeOf m_outcome;
    std::array<QSpinBox*, 4> m_sides; // left, top, right, bottom
    QLabel* m_result;
    QDialogButtonBox* m_buttons;
};

// The canvas question asked with the dialog above, modal over `parent`.
class CanvasDialogQuestion : public platform::CanvasQuestion {
public:
    explicit CanvasDialogQuestion(QWidget* parent) : m_parent(parent) {}
    std::optional<platform::CanvasRequest> ask(const QString& title,
                                               const platform::CanvasOutcomeOf& outcome) override;

private:
    QWidget* m_parent;
};

} // namespace quillet::display
