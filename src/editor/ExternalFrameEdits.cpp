#include "ExternalFrameEdits.h"

#include "imaging/BitmapExport.h"
#include "imaging/PictureImport.h"
#include "quillet/Version.h"
#include "sprite/Limits.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTimer>
#include <algorithm>

namespace quillet::editor {

namespace {

// A save that arrives while the document is being written waits this long.
constexpr int kWhileSavingMs = 250;

quint64 keyOf(const FramePtr& frame) {
    return static_cast<quint64>(reinterpret_cast<quintptr>(frame.get()));
}

// The reason a picture of this size can never be a frame, or empty. Pictures
// also stop at the import's own side limit, below a frame's.
QString tooLarge(QSize size) {
    const std::int64_t side =
        std::min<std::int64_t>(limits::kMaxFrameSide, imaging::kMaxPictureSide);
    const std::int64_t pixels = std::int64_t{size.width()} * size.height();
    if (size.width() <= side && size.height() <= side && pixels <= limits::kMaxFramePixels)
        return {};
    return QStringLiteral("picture size %1 x %2 exceeds the limit of a frame, %3 pixels per side "
                          "and %4 pixels in all")
        .arg(size.width())
        .arg(size.height())
        .arg(side)
        .arg(limits::kMaxFramePixels);
}

} // namespace

ExternalFrameEdits::ExternalFrameEdits(document::Document& doc, platform::MessageBox& messages,
                                       QObject* parent)
    : QObject(parent), m_doc(doc), m_messages(messages) {
    connect(&m_edits, &document::ExternalEdits::pictureSaved, this,
            &ExternalFrameEdits::pictureSaved);
    connect(&m_doc, &document::Document::changed, this, &ExternalFrameEdits::dropLeftFrames);
}

bool ExternalFrameEdits::start(int number, QString* error) {
    if (number < 1 || number > m_doc.frameCount())
        return false;
    const FramePtr frame = m_doc.frames()[static_cast<std::size_t>(number - 1)];
    const std::int16_t palTransform = m_doc.palTransform();
    return m_edits.start(
        keyOf(frame), number,
        [frame, palTransform](const QString& path) {
            imaging::writeFrame(*frame, palTransform, path, imaging::ExportFormat::Png);
        },
        error);
}

int ExternalFrameEdits::numberOf(quint64 key) const {
    const FrameList& frames = m_doc.frames();
    const auto it = std::find_if(frames.begin(), frames.end(),
                                 [key](const FramePtr& frame) { return keyOf(frame) == key; });
    return it == frames.end() ? 0 : static_cast<int>(it - frames.begin()) + 1;
}

void ExternalFrameEdits::dropLeftFrames() {
    for (const quint64 key : m_edits.keys())
        if (numberOf(key) == 0)
            m_edits.stop(key);
}

void ExternalFrameEdits::pictureSaved(quint64 key, const QString& path) {
    const int number = numberOf(key);
    if (number == 0) {
        m_edits.stop(key);
        return;
    }
    if (!m_doc.mayChange()) {
        QTimer::singleShot(kWhileSavingMs, this, [this, key, path] {
            if (m_edits.isOut(key))
                pictureSaved(key, path);
        });
        return;
    }
    // The header tells a picture too large to take before its pixels are read.
    const QSize size = QImageReader(path).size();
    if (!size.isValid()) {
        m_edits.retryLater(key);
        return;
    }
    if (const QString reason = tooLarge(size); !reason.isEmpty()) {
        m_messages.show(QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), reason),
                        QString::fromUtf8(version::appTitle), platform::Buttons::Ok,
                        platform::Icon::Warning);
        return;
    }
    FrameList read;
    try {
        imaging::ImportOptions options{m_doc.palette(), m_dither};
        options.tile = false;
        read = imaging::LoadImage(QFile::encodeName(path).toStdString(), options);
    } catch (const std::exception&) {
        read.clear();
    }
    // Most likely a save still being written: the next change brings the rest.
    if (read.empty()) {
        m_edits.retryLater(key);
        return;
    }
    DC6Frame contents = *read.front();
    const DC6Frame& old = *m_doc.frames()[static_cast<std::size_t>(number - 1)];
    contents.set_X_offset(old.get_X_offset());
    contents.set_Y_offset(old.get_Y_offset());
    contents.setNewPalette(m_doc.palette());
    m_doc.replaceFrame(number, contents, QStringLiteral("Edit Frame %1 Externally").arg(number));
}

} // namespace quillet::editor
