#pragma once

#include "platform/SheetQuestion.h"
#include "sprite/DC6Frame.h"

#include <QObject>
#include <functional>
#include <optional>

class QAction;

namespace quillet::imaging {
struct ImportOptions;
struct IndexedPicture;
struct SheetData;
struct SheetPoint;
} // namespace quillet::imaging

namespace quillet::editor {

class CommandContext;

// A decoded sheet as its dialog shows it, over the sheet's own pixels (valid
// while `sheet` lives), index 0 transparent; and the grid a request lays on
// it, with the reason OK would add nothing, `room` being the frames the
// document can still take.
QImage sheetPicture(const imaging::IndexedPicture& sheet);
platform::SheetLayout sheetLayout(const imaging::IndexedPicture& sheet,
                                  const platform::SheetRequest& request, int room);

// Pictures in as frames: Add Frame and Insert Frame (the buttons), Frames >
// Add Frames from Sheet..., and Settings > Dither true-colour pictures, the
// choice every import follows (remembered between runs).
class FrameImportCommands : public QObject {
    Q_OBJECT
public:
    explicit FrameImportCommands(CommandContext& context);

    QAction* sheetAction() const { return m_sheet; }
    QAction* ditherAction() const { return m_dither; }
    bool dither() const;

    // Each takes every picture chosen, in the natural order of their names
    // ("f2" before "f10"), as one step; pictures that cannot be read are
    // named in one message and the others still go in.
    void addFrame();
    void insertFrame();
    void addFramesFromSheet();
    // Add Frame's work once the picture is known; the dialog and drops share it.
    void addFrameFrom(const QString& path);

signals:
    // The dialog was cancelled or the picture not taken: the window shows the
    // document again as it is.
    void nothingAdded();

private:
    // The picture's frames, or nothing after a message (or a cancel, which
    // says nothing). Given `failure`, the reason goes there instead of a message.
    std::optional<FrameList> importPicture(const QString& path, QString* failure = nullptr);
    std::optional<FrameList>
    importPicture(const QString& path, const QString& whenEmpty,
                  const std::function<FrameList(const imaging::ImportOptions&)>& load,
                  QString* failure = nullptr);
    // The pictures' frames in before frame `at` (0-based); false when none went in.
    bool takePictures(QStringList paths, int at, bool insert);

    // A sheet with its data file: the frames where the data puts them.
    bool readSheet(const QString& path, imaging::IndexedPicture& sheet);
    QString sheetDataFor(const QString& path);
    void addFramesFromSheetData(const QString& dataPath, QString picturePath);
    std::optional<imaging::SheetPoint> askAnchor(const imaging::IndexedPicture& sheet,
                                                 const imaging::SheetData& data);

    CommandContext& m_context;
    QAction* m_sheet;
    QAction* m_dither;
    platform::SheetRequest m_lastSheet;
};

} // namespace quillet::editor
