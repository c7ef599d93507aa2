#pragma once

#include "platform/PaletteQuestions.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace quillet::display {

// Asks for a source and a destination range of palette entries and whether
// to lay the source on backwards, each range's colours shown under its
// numbers; every change is handed to the preview at once.
class RemapDialog : public QDialog {
    Q_OBJECT
public:
    RemapDialog(const QString& title, const QList<QRgb>& colours,
                const platform::RemapRequest& start, platform::RemapPreview preview,
                QWidget* parent = nullptr);
    platform::RemapRequest request() const;

private:
    void changed();

    QList<QRgb> m_colours;
    platform::RemapPreview m_preview;
    QSpinBox* m_from;
    QSpinBox* m_fromLast;
    QSpinBox* m_to;
    QSpinBox* m_toLast;
    QCheckBox* m_reverse;
    QLabel* m_source;
    QLabel* m_destination;
};

// Every palette index in a row: its colour, its pixels and the frames that
// use it, for the whole document or the selected frames; unused entries are
// greyed and say so. A double-click on a row selects the frames using it.
class UsageDialog : public QDialog {
    Q_OBJECT
public:
    UsageDialog(const QString& title, const QList<QRgb>& colours, int selected,
                std::function<platform::IndexCounts(bool)> count,
                std::function<void(int, bool)> selectUsers, QWidget* parent = nullptr);

private:
    void fill();

    QList<QRgb> m_colours;
    std::function<platform::IndexCounts(bool)> m_count;
    QRadioButton* m_selected;
    QLabel* m_summary;
    QTableWidget* m_table;
};

// Both questions asked with the dialogs above, modal over `parent`.
class PaletteDialogQuestions : public platform::RemapQuestion, public platform::UsageQuestion {
public:
    explicit PaletteDialogQuestions(QWidget* parent) : m_parent(parent) {}
    std::optional<platform::RemapRequest> ask(const QString& title, const QList<QRgb>& colours,
                                              const platform::RemapRequest& start,
                                              const platform::RemapPreview& preview) override;
    void show(const QString& title, const QList<QRgb>& colours, int selected,
              const std::function<platform::IndexCounts(bool)>& count,
              const std::function<void(int, bool)>& selectUsers) override;

private:
    QWidget* m_parent;
};

} // namespace quillet::display
