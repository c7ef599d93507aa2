#pragma once

#include "document/Document.h"
#include "document/ExternalEdits.h"
#include "platform/MessageBox.h"

#include <QObject>

namespace quillet::editor {

// Frames of the document out in the user's picture editor: each save there
// replaces the frame, as one undoable step. Frames are known by their object,
// which stays the same when its contents are replaced or undone; one that
// leaves the document (deleted, or the document replaced) stops its watch.
class ExternalFrameEdits : public QObject {
    Q_OBJECT
public:
    ExternalFrameEdits(document::Document& doc, platform::MessageBox& messages,
                       QObject* parent = nullptr);

    document::ExternalEdits& edits() { return m_edits; }
    // Hands frame `number` to the editor; false with `error` set when that failed.
    bool start(int number, QString* error);
    void stopAll() { m_edits.stopAll(); }
    // Pictures read back follow Add Frame's dithering choice.
    void setDither(bool dither) { m_dither = dither; }

private:
    void pictureSaved(quint64 key, const QString& path);
    void dropLeftFrames();
    int numberOf(quint64 key) const;

    document::Document& m_doc;
    platform::MessageBox& m_messages;
    document::ExternalEdits m_edits;
    bool m_dither = false;
};

} // namespace quillet::editor
