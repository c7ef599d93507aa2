#pragma once

#include "imaging/export/BitmapExport.h"
#include "platform/SheetDataQuestion.h"

#include <QList>
#include <QObject>
#include <optional>

class QAction;

namespace quillet::editor {

class CommandContext;
class PreviewCommands;

// File > Export as bitmap(s), Export as PNG(s), Export Sprite Sheet... and
// Export Animated GIF...: the document's frames out as pictures, shown as the
// preview shows them. An empty document is told so before any dialog.
class ExportCommands : public QObject {
    Q_OBJECT
public:
    // The GIF plays at the preview's frame rate.
    ExportCommands(CommandContext& context, const PreviewCommands& preview);

    // In menu order.
    QList<QAction*> actions() const { return m_actions; }

    void exportBitmaps();
    void exportPngs();
    // Export as PNG(s) of the selected frames; the files keep the frames' numbers.
    void exportSelectedPngs();
    void exportSheet();
    void exportGif();

signals:
    // A picture-per-frame export ended, written or not; the preview is
    // brought up to date after it.
    void exportEnded();

private:
    bool beginExport();
    void exportFiles(imaging::ExportFormat format, bool selectedOnly = false);
    void tellExported(const imaging::ExportReport& report, int total);
    QString chooseExportFile(const QString& filter, const QString& extension);
    std::optional<platform::SheetExportRequest> askSheetLayout();

    CommandContext& m_context;
    const PreviewCommands& m_preview;
    QList<QAction*> m_actions;
    std::optional<platform::SheetExportRequest> m_lastSheet;
};

} // namespace quillet::editor
