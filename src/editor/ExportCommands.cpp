#include "ExportCommands.h"

#include "CommandContext.h"
#include "PreviewCommands.h"
#include "ProgressGate.h"
#include "imaging/export/FileReplace.h"
#include "imaging/export/GifExport.h"
#include "imaging/export/SheetExport.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace quillet::editor {

namespace {

const QString kExportFilter = QStringLiteral("BMP|*.BMP|");
const QString kPngFilter = QStringLiteral("PNG|*.png|");
const QString kGifFilter = QStringLiteral("GIF|*.gif|");

QString filesWritten(int count) {
    return count == 1 ? QStringLiteral("1 file written.")
                      : QStringLiteral("%1 files written.").arg(count);
}

// A pair of numbers that a message box's wrapping must not split.
QString pair(int first, const char* between, int second) {
    return QStringLiteral("%1%2%3")
        .arg(first)
        .arg(QString::fromLatin1(between).replace(u' ', QChar::Nbsp))
        .arg(second);
}

} // namespace

ExportCommands::ExportCommands(CommandContext& context, const PreviewCommands& preview)
    : QObject(&context.window()), m_context(context), m_preview(preview) {
    m_actions = {
        makeAction(this, "bmp_export", QStringLiteral("Export as bitmap(s)"),
                   &ExportCommands::exportBitmaps),
        makeAction(this, "png_export", QStringLiteral("Export as PNG(s)"),
                   &ExportCommands::exportPngs),
        makeAction(this, "sheet_export", QStringLiteral("Export Sprite Sheet..."),
                   &ExportCommands::exportSheet),
        makeAction(this, "gif_export", QStringLiteral("Export Animated GIF..."),
                   &ExportCommands::exportGif),
    };
}

bool ExportCommands::beginExport() {
    if (!m_context.beginCommand())
        return false;
    if (m_context.doc().frameCount() >= 1)
        return true;
    m_context.tell(QStringLiteral("The animation has no frames, so there is nothing to export."));
    return false;
}

void ExportCommands::exportBitmaps() {
    exportFiles(imaging::ExportFormat::Bmp);
}

void ExportCommands::exportPngs() {
    exportFiles(imaging::ExportFormat::Png);
}

void ExportCommands::exportSelectedPngs() {
    exportFiles(imaging::ExportFormat::Png, true);
}

void ExportCommands::exportFiles(imaging::ExportFormat format, bool selectedOnly) {
    if (!beginExport())
        return;
    const bool bmp = format == imaging::ExportFormat::Bmp;
    platform::FileDialog& dialog = m_context.fileDialog(bmp ? kExportFilter : kPngFilter);
    dialog.FileName.clear();
    dialog.DefaultExt = bmp ? QStringLiteral("BMP") : QStringLiteral("png");
    if (!dialog.ShowSave())
        return;

    const document::Document& doc = m_context.doc();
    // Copies: the list may change while the progress window runs the event loop.
    FrameList frames = doc.frames();
    std::vector<int> numbers;
    if (selectedOnly) {
        numbers = doc.selection();
        frames.clear();
        for (int number : numbers)
            frames.push_back(doc.frames()[static_cast<std::size_t>(number - 1)]);
    }
    const int total = static_cast<int>(frames.size());
    imaging::ExportReport report;
    if (!dialog.fileTitle().isEmpty() && total > 0) {
        BusyScope busy(m_context.busyPointer());
        const std::unique_ptr<ProgressGate> gate =
            m_context.progressGate(QStringLiteral("Exporting %1 frames ...").arg(total));
        // The document keeps its own name; the export only borrows the chosen one.
        report = imaging::exportFrames(
            frames, doc.palTransform(), dialog.FileName, format,
            [&gate](int done, int all) { return gate->step(done, all); }, numbers);
    }
    emit exportEnded();
    m_context.busyPointer().setBusy(false);
    m_context.report(filesWritten(report.written));
    tellExported(report, total);
}

// One message at most: how far a cancelled export came, and what failed.
void ExportCommands::tellExported(const imaging::ExportReport& report, int total) {
    QStringList lines;
    if (report.cancelled)
        lines << QStringLiteral("The export was cancelled; %1 of %2 files were written.")
                     .arg(report.written)
                     .arg(total);
    if (report.failed > 0)
        lines << QStringLiteral("%1 of %2 frames could not be written.\n%3")
                     .arg(report.failed)
                     .arg(total)
                     .arg(report.firstFailure);
    if (!lines.isEmpty())
        m_context.warn(lines.join(QLatin1Char('\n')));
}

// The name of a one-file export; empty when cancelled or there is nothing to write.
QString ExportCommands::chooseExportFile(const QString& filter, const QString& extension) {
    if (!beginExport())
        return {};
    return m_context.chooseFileToSave(filter, extension);
}

void ExportCommands::exportSheet() {
    const QString path = chooseExportFile(kPngFilter, QStringLiteral("png"));
    if (path.isEmpty())
        return;
    const document::Document& doc = m_context.doc();
    const std::optional<platform::SheetExportRequest> request = askSheetLayout();
    if (!request)
        return;
    const QFileInfo png(path);
    const QString dataPath = png.dir().filePath(png.completeBaseName() + QStringLiteral(".json"));
    imaging::SheetExportOptions options;
    options.columns = request->columns;
    options.rowPerDirection = request->rowPerDirection;
    options.directions = doc.directions();
    options.trim = request->trim;
    options.name = png.completeBaseName().toStdString();
    options.image = png.fileName().toStdString();
    options.framesPerSecond = m_preview.viewOptions().framesPerSecond;
    imaging::SheetLayout layout;
    try {
        BusyScope busy(m_context.busyPointer());
        imaging::SheetFiles sheet =
            imaging::makeSheet(doc.frames(), doc.palTransform(), doc.palette(), options);
        layout = sheet.layout;
        imaging::replaceFile(path, sheet.png);
        if (request->writeData) {
            const std::string json = imaging::writeSheetJson(
                sheet.data,
                request->hash ? imaging::SheetJsonLayout::Hash : imaging::SheetJsonLayout::Array);
            try {
                imaging::replaceFile(dataPath, imaging::bytesOf(json));
            } catch (const std::exception& e) {
                busy.release();
                m_context.tellFileError(dataPath, QString::fromUtf8(e.what()));
                return;
            }
        }
    } catch (const std::exception& e) {
        m_context.tellFileError(path, QString::fromUtf8(e.what()));
        return;
    }
    m_context.report(filesWritten(request->writeData ? 2 : 1));
    // What Add Frames from Sheet needs to cut it the same way.
    QString told =
        QStringLiteral("%1: %2 frames in %3 cells of %4 pixels; the anchor is at %5 in each cell.")
            .arg(png.fileName(), QString::number(doc.frameCount()),
                 pair(layout.columns, " x ", layout.rows),
                 pair(layout.cell.width(), " x ", layout.cell.height()),
                 pair(layout.anchor.x(), ", ", layout.anchor.y()));
    if (request->writeData)
        told += QStringLiteral(" %1 places every frame.").arg(QFileInfo(dataPath).fileName());
    m_context.tell(told);
}

// The last choices, the columns a square sheet takes at first.
std::optional<platform::SheetExportRequest> ExportCommands::askSheetLayout() {
    const document::Document& doc = m_context.doc();
    platform::SheetExportRequest start = m_lastSheet.value_or(platform::SheetExportRequest{});
    if (!m_lastSheet)
        start.columns = static_cast<int>(std::ceil(std::sqrt(double(doc.frameCount()))));
    start.columns = std::clamp(start.columns, 1, doc.frameCount());
    const std::optional<platform::SheetExportRequest> request =
        m_context.services().sheetDataQuestion->exportSheet(
            QStringLiteral("Export Sprite Sheet"), start, doc.frameCount(), doc.directions());
    if (request)
        m_lastSheet = request;
    return request;
}

void ExportCommands::exportGif() {
    const QString path = chooseExportFile(kGifFilter, QStringLiteral("gif"));
    if (path.isEmpty())
        return;
    const document::Document& doc = m_context.doc();
    try {
        BusyScope busy(m_context.busyPointer());
        imaging::exportGif(doc.frames(), doc.palTransform(), doc.palette(),
                           m_preview.viewOptions().framesPerSecond, path);
        m_context.report(filesWritten(1));
    } catch (const std::exception& e) {
        m_context.tellFileError(path, QString::fromUtf8(e.what()));
    }
}

} // namespace quillet::editor
