#include "ExternalEditCommands.h"

#include "CommandContext.h"
#include "FrameImportCommands.h"
#include "imaging/PictureImport.h"
#include "imaging/export/BitmapExport.h"
#include "platform/ExternalEditor.h"

#include <QAction>
#include <QFileInfo>
#include <QImageReader>
#include <QSettings>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace quillet::editor {

namespace {

// A save that arrives while the document is being written waits this long.
constexpr int kWhileSavingMs = 250;

quint64 keyOf(const FramePtr& frame) {
    return static_cast<quint64>(reinterpret_cast<quintptr>(frame.get()));
}

bool fits(QSize size, const imaging::ImportLimits& limits) {
    return size.width() <= limits.maxSide && size.height() <= limits.maxSide &&
           std::int64_t{size.width()} * size.height() <= limits.maxPixels;
}

} // namespace

ExternalEditCommands::ExternalEditCommands(CommandContext& context,
                                           const FrameImportCommands& imports)
    : QObject(&context.window()), m_context(context), m_imports(imports),
      m_watch([](const QString& path, QString* error) {
          return platform::openInExternalEditor(QSettings().value(ExternalEditorKey).toString(),
                                                path, error);
      }),
      m_edit(makeAction(this, "EditFrameExternally", QStringLiteral("Edit Frame Externally"),
                        &ExternalEditCommands::editFrameExternally,
                        {QKeySequence(Qt::CTRL | Qt::Key_E)})),
      m_chooseEditor(makeAction(this, "ExternalEditor", QStringLiteral("External Editor..."),
                                &ExternalEditCommands::chooseExternalEditor)) {
    connect(&m_watch, &document::ExternalFileWatch::pictureSaved, this,
            [this](quint64 key, const QString& path) { takePicture(key, path, false); });
    connect(&m_watch, &document::ExternalFileWatch::pictureStillUnusable, this,
            [this](quint64 key, const QString& path) { takePicture(key, path, true); });
    connect(&m_context.doc(), &document::Document::framesChanged, this,
            &ExternalEditCommands::dropLeftFrames);
}

void ExternalEditCommands::editFrameExternally() {
    document::Document& doc = m_context.doc();
    if (!m_context.mayRun() || !doc.currentFrame())
        return;
    QString error;
    if (!start(doc.curFrame(), &error))
        m_context.warn(QStringLiteral("Frame %1 could not be opened in the external editor.\n%2")
                           .arg(doc.curFrame())
                           .arg(error));
}

void ExternalEditCommands::chooseExternalEditor() {
    QSettings settings;
    const std::optional<QString> command = m_context.services().prompt->text(
        QStringLiteral("External Editor"),
        QStringLiteral("Command line of your picture editor, %f for the file (empty: the "
                       "desktop's default application):"),
        settings.value(ExternalEditorKey).toString());
    if (!command)
        return;
    if (command->trimmed().isEmpty())
        settings.remove(ExternalEditorKey);
    else
        settings.setValue(ExternalEditorKey, command->trimmed());
}

bool ExternalEditCommands::start(int number, QString* error) {
    const document::Document& doc = m_context.doc();
    if (number < 1 || number > doc.frameCount())
        return false;
    const FramePtr frame = doc.frames()[static_cast<std::size_t>(number - 1)];
    const std::int16_t palTransform = doc.palTransform();
    return m_watch.start(
        keyOf(frame), number,
        [frame, palTransform](const QString& path) {
            imaging::writeFrame(*frame, palTransform, path, imaging::ExportFormat::Png);
        },
        error);
}

int ExternalEditCommands::numberOf(quint64 key) const {
    const FrameList& frames = m_context.doc().frames();
    const auto it = std::find_if(frames.begin(), frames.end(),
                                 [key](const FramePtr& frame) { return keyOf(frame) == key; });
    return it == frames.end() ? 0 : static_cast<int>(it - frames.begin()) + 1;
}

void ExternalEditCommands::dropLeftFrames() {
    for (const quint64 key : m_watch.keys())
        if (numberOf(key) == 0)
            m_watch.stop(key);
}

std::optional<DC6Frame> ExternalEditCommands::readPicture(const QString& path, QString* reason,
                                                          bool* final) const {
    // The header tells a picture too large to take before its pixels are read.
    QSize size;
    {
        QImageReader reader(path);
        size = reader.size();
        if (!size.isValid()) {
            *reason = reader.errorString();
            return std::nullopt;
        }
    }
    const document::Document& doc = m_context.doc();
    imaging::ImportOptions options{doc.palette(), m_imports.dither(), doc.protectedEntries()};
    options.tile = false;
    // A picture read back is one frame, never cut into tiles.
    options.limits = imaging::oneFrameLimits();
    try {
        const FrameList read = imaging::LoadImage(nativePath(path), options);
        if (!read.empty())
            return *read.front();
        *reason = QStringLiteral("the picture holds no image");
    } catch (const std::exception& e) {
        *reason = QString::fromUtf8(e.what());
        // A complete header beyond the limits is refused for good; anything
        // else may be a save still being written.
        *final = !fits(size, options.limits);
    }
    return std::nullopt;
}

void ExternalEditCommands::takePicture(quint64 key, const QString& path, bool settled) {
    document::Document& doc = m_context.doc();
    const int number = numberOf(key);
    if (number == 0) {
        m_watch.stop(key);
        return;
    }
    if (!doc.mayChange()) {
        QTimer::singleShot(kWhileSavingMs, this, [this, key, path, settled] {
            if (m_watch.isOut(key))
                takePicture(key, path, settled);
        });
        return;
    }
    QString reason;
    bool final = false;
    std::optional<DC6Frame> contents = readPicture(path, &reason, &final);
    if (!contents) {
        // Said once for these bytes; the watch goes on, so a later good save still arrives.
        if (final || settled)
            m_context.warn(
                QStringLiteral("Frame %1 could not be taken back from the external editor.\n%2: %3")
                    .arg(number)
                    .arg(QFileInfo(path).fileName(), reason));
        else
            m_watch.retryLater(key);
        return;
    }
    const DC6Frame& old = *doc.frames()[static_cast<std::size_t>(number - 1)];
    contents->set_X_offset(old.get_X_offset());
    contents->set_Y_offset(old.get_Y_offset());
    contents->setNewPalette(doc.palette());
    m_context.settle();
    doc.replaceFrame(number, *contents, QStringLiteral("Edit Frame %1 Externally").arg(number));
}

} // namespace quillet::editor
