#include "FrameImportCommands.h"

#include "CommandContext.h"
#include "imaging/PictureImport.h"
#include "imaging/sheet/SheetDataImport.h"
#include "sprite/Error.h"
#include "sprite/Limits.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QWidget>
#include <algorithm>

namespace quillet::editor {

namespace {

const QString kAddFilter =
    QStringLiteral("All formats|*.gif;*.bmp;*.jpg;*.jpe;*.jpeg;*.png|BMP (*.bmp)|*.bmp|Compuserve "
                   "GIF (*.gif)|*.gif|JPEG (*.jpg;*.jpe;*.jpeg)|*.jpg;*.jpe;*.jpeg|PNG "
                   "(*.png)|*.png|");
const QString kInsertFilter = QStringLiteral("BMP (*.bmp)|*.bmp|PNG (*.png)|*.png");
const QString kSheetFilter = QStringLiteral("Pictures and sheet data|*.png;*.bmp;*.gif;*.json|");
const QString kDitherKey = QStringLiteral("import/dither");
const QString kAllTransparent = QStringLiteral("every cell is transparent");

QString readingLabel(const QString& path) {
    return QStringLiteral("Reading %1 ...").arg(QFileInfo(path).fileName());
}

// Why `count` more frames cannot go in, or nothing when they fit.
QString tooMany(std::ptrdiff_t count, int room) {
    if (count <= room)
        return QString();
    return QStringLiteral("%1 more frames would exceed the limit of %2 frames")
        .arg(count)
        .arg(limits::kMaxFrames);
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// "f2" before "f10": runs of digits compare by their value, other characters
// whatever their case. The locale's collator does not do this in every
// locale (not in "C"), so it is done here.
bool naturallyBefore(QStringView a, QStringView b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (!isDigit(a[i]) || !isDigit(b[j])) {
            const char16_t x = a[i++].toCaseFolded().unicode();
            const char16_t y = b[j++].toCaseFolded().unicode();
            if (x != y)
                return x < y;
            continue;
        }
        const auto number = [](QStringView s, qsizetype& at) {
            while (at + 1 < s.size() && s[at] == u'0' && isDigit(s[at + 1]))
                ++at; // leading zeros
            const qsizetype from = at;
            while (at < s.size() && isDigit(s[at]))
                ++at;
            return s.sliced(from, at - from);
        };
        const QStringView x = number(a, i), y = number(b, j);
        if (x.size() != y.size())
            return x.size() < y.size();
        if (x != y)
            return x < y;
    }
    return a.size() - i < b.size() - j;
}

imaging::SheetGrid gridOf(const platform::SheetRequest& request) {
    imaging::SheetGrid grid;
    if (request.byCellSize) {
        grid.cellWidth = request.cellWidth;
        grid.cellHeight = request.cellHeight;
    } else {
        grid.columns = request.columns;
        grid.rows = request.rows;
    }
    grid.margin = request.margin;
    grid.spacing = request.spacing;
    return grid;
}

} // namespace

// No copy: a sheet may have 2^28 pixels.
QImage sheetPicture(const imaging::IndexedPicture& sheet) {
    const bool own = sheet.image.isNull();
    QImage picture(sheet.row(0), sheet.width, sheet.height,
                   own ? sheet.width : sheet.image.bytesPerLine(), QImage::Format_Indexed8);
    QList<QRgb> colours(256, 0);
    for (int i = 1; i < 256; ++i)
        colours[i] = qRgb(sheet.palette[3 * i], sheet.palette[3 * i + 1], sheet.palette[3 * i + 2]);
    picture.setColorTable(colours);
    return picture;
}

platform::SheetLayout sheetLayout(const imaging::IndexedPicture& sheet,
                                  const platform::SheetRequest& request, int room) {
    platform::SheetLayout layout;
    try {
        const imaging::SheetCells found = imaging::findSheetCells(sheet, gridOf(request));
        layout.columns = found.columns;
        layout.rows = found.rows;
        layout.cells.reserve(found.cells.size());
        for (const imaging::SheetCell& cell : found.cells)
            layout.cells.push_back({cell.rect, cell.box});
        const auto kept = std::count_if(found.cells.begin(), found.cells.end(),
                                        [](const imaging::SheetCell& c) { return !c.empty(); });
        layout.problem = kept == 0 ? kAllTransparent : tooMany(kept, room);
    } catch (const std::exception& e) {
        layout.problem = QString::fromUtf8(e.what());
    }
    return layout;
}

FrameImportCommands::FrameImportCommands(CommandContext& context)
    : QObject(&context.window()), m_context(context),
      m_sheet(makeAction(this, "AddFramesFromSheet", QStringLiteral("Add Frames from Sheet..."),
                         &FrameImportCommands::addFramesFromSheet)),
      m_dither(makeAction(this, "Dither", QStringLiteral("Dither true-colour pictures"),
                          [](bool on) { QSettings().setValue(kDitherKey, on); })) {
    m_dither->setCheckable(true);
    m_dither->setChecked(QSettings().value(kDitherKey, false).toBool());
}

bool FrameImportCommands::dither() const {
    return m_dither->isChecked();
}

std::optional<FrameList> FrameImportCommands::importPicture(const QString& path, QString* failure) {
    return importPicture(
        path, QStringLiteral("the picture holds no frames"),
        [&path](const imaging::ImportOptions& options) {
            return imaging::LoadImage(nativePath(path), options);
        },
        failure);
}

std::optional<FrameList> FrameImportCommands::importPicture(
    const QString& path, const QString& whenEmpty,
    const std::function<FrameList(const imaging::ImportOptions&)>& load, QString* failure) {
    const document::Document& doc = m_context.doc();
    FrameList pieces;
    const bool read = m_context.readWithProgress(
        path, readingLabel(path),
        [&](const WorkProgress& progress) -> QString {
            imaging::ImportOptions options{doc.palette(), dither(), doc.protectedEntries()};
            options.progress = progress;
            pieces = load(options);
            if (pieces.empty())
                return whenEmpty;
            return tooMany(std::ssize(pieces), doc.room());
        },
        failure);
    if (!read)
        return std::nullopt;
    return pieces;
}

void FrameImportCommands::addFrame() {
    if (!m_context.beginCommand())
        return;
    const QStringList paths = m_context.chooseFilesToOpen(kAddFilter);
    if (paths.isEmpty() || !takePictures(paths, m_context.doc().frameCount(), false))
        emit nothingAdded();
}

void FrameImportCommands::addFrameFrom(const QString& path) {
    if (!m_context.beginCommand())
        return;
    document::Document& doc = m_context.doc();
    std::optional<FrameList> pieces = importPicture(path);
    if (!pieces ||
        !doc.insertFrames(std::move(*pieces), doc.frameCount(), QStringLiteral("Add Frame")))
        emit nothingAdded();
}

void FrameImportCommands::insertFrame() {
    if (!m_context.beginCommand())
        return;
    document::Document& doc = m_context.doc();
    if (doc.frameCount() <= 0) {
        addFrame();
        return;
    }
    const QStringList paths = m_context.chooseFilesToOpen(kInsertFilter);
    const int at = std::clamp(doc.curFrame(), 1, doc.frameCount()) - 1;
    if (paths.isEmpty() || !takePictures(paths, at, true))
        emit nothingAdded();
}

bool FrameImportCommands::takePictures(QStringList paths, int at, bool insert) {
    std::stable_sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) {
        return naturallyBefore(QFileInfo(a).fileName(), QFileInfo(b).fileName());
    });
    document::Document& doc = m_context.doc();
    FrameList frames;
    QStringList failures;
    int taken = 0;
    for (const QString& path : std::as_const(paths)) {
        QString failure;
        std::optional<FrameList> pieces = importPicture(path, &failure);
        if (!pieces && failure.isEmpty())
            return false; // cancelled: the whole choice is
        if (!pieces) {
            failures << QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), failure);
            continue;
        }
        frames.insert(frames.end(), pieces->begin(), pieces->end());
        ++taken;
    }
    if (!failures.isEmpty())
        m_context.warn(failures.join(QLatin1Char('\n')));
    if (frames.empty())
        return false;
    // Each picture fitted on its own; together they may not.
    if (const QString problem = tooMany(std::ssize(frames), doc.room()); !problem.isEmpty()) {
        m_context.warn(problem);
        return false;
    }
    const auto count = static_cast<qsizetype>(frames.size());
    const QString step =
        taken == 1 ? (insert ? QStringLiteral("Insert Frame") : QStringLiteral("Add Frame"))
                   : (insert ? QStringLiteral("Insert %1 Frames") : QStringLiteral("Add %1 Frames"))
                         .arg(count);
    return doc.insertFrames(std::move(frames), at, step);
}

void FrameImportCommands::addFramesFromSheet() {
    if (!m_context.beginCommand())
        return;
    const QString path = m_context.chooseFileToOpen(kSheetFilter);
    if (path.isEmpty())
        return;
    if (const QString data = sheetDataFor(path); !data.isEmpty()) {
        addFramesFromSheetData(data, data == path ? QString() : path);
        return;
    }
    document::Document& doc = m_context.doc();
    // Read once: the dialog shows this picture and the frames are cut from it.
    imaging::IndexedPicture sheet;
    if (!readSheet(path, sheet))
        return;
    const std::optional<platform::SheetRequest> request = m_context.services().sheetQuestion->ask(
        QStringLiteral("Add Frames from Sheet"), sheetPicture(sheet), m_lastSheet,
        [&](const platform::SheetRequest& asked) { return sheetLayout(sheet, asked, doc.room()); });
    if (!request)
        return;
    m_lastSheet = *request;
    std::optional<FrameList> cells =
        importPicture(path, kAllTransparent, [&](const imaging::ImportOptions& options) {
            return imaging::cutSheet(sheet, imaging::findSheetCells(sheet, gridOf(*request)),
                                     request->trim, options.documentPalette);
        });
    if (cells)
        doc.insertFrames(std::move(*cells), doc.frameCount(),
                         QStringLiteral("Add Frames from Sheet"));
}

// Sheets with their data.

bool FrameImportCommands::readSheet(const QString& path, imaging::IndexedPicture& sheet) {
    return m_context.readWithProgress(path, readingLabel(path), [&](const WorkProgress& progress) {
        imaging::ImportOptions options{m_context.doc().palette(), dither(),
                                       m_context.doc().protectedEntries()};
        options.progress = progress;
        sheet = imaging::readSheetPicture(nativePath(path), options);
        return QString();
    });
}

// The data file chosen, or the one beside the picture if the user takes it.
QString FrameImportCommands::sheetDataFor(const QString& path) {
    if (path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive))
        return path;
    const QFileInfo picture(path);
    const QFileInfo data(picture.dir().filePath(picture.completeBaseName() + ".json"));
    if (!data.isFile())
        return QString();
    const platform::Answer use = m_context.ask(
        QStringLiteral("%1 beside the picture says where its frames lie. Cut them as it says?")
            .arg(data.fileName()),
        platform::Buttons::YesNo);
    return use == platform::Answer::Yes ? data.filePath() : QString();
}

// `picturePath` empty: the picture the data names.
void FrameImportCommands::addFramesFromSheetData(const QString& dataPath, QString picturePath) {
    imaging::SheetData data;
    if (!m_context.readWithProgress(dataPath, readingLabel(dataPath), [&](const WorkProgress&) {
            data = imaging::readSheetDataFile(nativePath(dataPath));
            if (picturePath.isEmpty())
                picturePath = imaging::sheetPicturePath(dataPath, data);
            return QString();
        }))
        return;
    imaging::IndexedPicture sheet;
    if (!readSheet(picturePath, sheet))
        return;
    try {
        imaging::checkSheetFrames(sheet, data);
    } catch (const QuilletError& e) {
        m_context.tellFileError(dataPath, QString::fromUtf8(e.what()));
        return;
    }
    std::optional<imaging::SheetPoint> anchor;
    for (std::size_t i = 0; i < data.frames.size() && !anchor; ++i)
        if (!imaging::sheetAnchor(data, i)) {
            anchor = askAnchor(sheet, data);
            if (!anchor)
                return;
        }
    std::optional<FrameList> frames =
        importPicture(dataPath, kAllTransparent, [&](const imaging::ImportOptions& options) {
            return imaging::cutSheetFrames(sheet, data, anchor, options.documentPalette);
        });
    if (frames)
        m_context.doc().addFramesInDirections(std::move(*frames), imaging::sheetDirections(data),
                                              QStringLiteral("Add Frames from Sheet"));
}

std::optional<imaging::SheetPoint>
FrameImportCommands::askAnchor(const imaging::IndexedPicture& sheet,
                               const imaging::SheetData& data) {
    platform::SheetAnchorRequest request;
    request.picture = sheetPicture(sheet);
    for (const imaging::SheetDataFrame& f : data.frames) {
        request.frames.emplace_back(f.frame.x, f.frame.y, f.frame.w, f.frame.h);
        request.cells.emplace_back(f.frame.x - f.spriteSourceSize.x,
                                   f.frame.y - f.spriteSourceSize.y);
    }
    const imaging::SheetDataFrame& first = data.frames.front();
    request.cell = QSize(first.sourceWidth, first.sourceHeight);
    const imaging::SheetPoint start = imaging::defaultSheetAnchor(first);
    request.anchor = QPoint(start.x, start.y);
    const std::optional<QPoint> placed = m_context.services().sheetDataQuestion->anchor(
        QStringLiteral("Add Frames from Sheet"), request);
    if (!placed)
        return std::nullopt;
    return imaging::SheetPoint{placed->x(), placed->y()};
}

} // namespace quillet::editor
