#pragma once

#include "platform/SheetDataQuestion.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QSpinBox;

namespace quillet::display {

class SheetView;

// File > Export Sprite Sheet...: N columns or a row per direction, trimmed
// or not, and the data file with its layout.
class SheetExportDialog : public QDialog {
    Q_OBJECT
public:
    SheetExportDialog(const QString& title, const platform::SheetExportRequest& start, int frames,
                      int directions, QWidget* parent = nullptr);

    platform::SheetExportRequest request() const;

private:
    void follow();

    QRadioButton* m_byColumns;
    QRadioButton* m_byDirection;
    QSpinBox* m_columns;
    QCheckBox* m_trim;
    QCheckBox* m_data;
    QComboBox* m_layout;
};

// Where the anchor stands in every cell of a sheet whose data places none:
// typed, or clicked on a frame; every frame shows its cross where it falls.
class SheetAnchorDialog : public QDialog {
    Q_OBJECT
public:
    SheetAnchorDialog(const QString& title, const platform::SheetAnchorRequest& request,
                      QWidget* parent = nullptr);

    QPoint anchor() const;

private:
    void showAnchors();
    void place(QPoint pixel);

    platform::SheetAnchorRequest m_request;
    QSpinBox* m_x;
    QSpinBox* m_y;
    SheetView* m_view;
};

// The sheet data questions asked with the dialogs above, modal over `parent`.
class SheetDataDialogQuestion : public platform::SheetDataQuestion {
public:
    explicit SheetDataDialogQuestion(QWidget* parent) : m_parent(parent) {}
    std::optional<platform::SheetExportRequest>
    exportSheet(const QString& title, const platform::SheetExportRequest& start, int frames,
                int directions) override;
    std::optional<QPoint> anchor(const QString& title,
                                 const platform::SheetAnchorRequest& request) override;

private:
    QWidget* m_parent;
};

} // namespace quillet::display
