#pragma once

#include "sprite/DC6Frame.h"
#include "sprite/Palette.h"

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <algorithm>
#include <cstdint>

namespace quillet::document {

enum class Axis { X, Y };

// The palette rules shared by the editor and quillet-cli. Frames read from a
// DC6 file have the document palette as both palettes, so they are drawn and
// saved with their indices as they are; imported frames keep the original
// palette the importer gave them and are drawn in the document palette.
void adoptOpenedFrames(const FrameList& frames, const Palette& palette);
void adoptImportedFrames(const FrameList& frames, const Palette& palette);

// The one open document: frames, current frame, file name, document palette,
// palette-transform flag and direction count, with an undo stack for every
// edit. Plain state plus one change notification; the window listens and
// refreshes, the commands change it only through the operations below.
class Document : public QObject {
    Q_OBJECT
public:
    explicit Document(QObject* parent = nullptr);
    ~Document() override;

    const FrameList& frames() const { return m_frames; }
    int frameCount() const { return static_cast<int>(m_frames.size()); }
    // 1-based; 0 while the document has been empty since start-up or since
    // its last frame was deleted, 1 after New.
    int curFrame() const { return m_curFrame; }
    // The current frame, or null when the number designates none.
    FramePtr currentFrame() const;
    const QString& fileName() const { return m_fileName; }
    const Palette& palette() const { return m_palette; }
    bool transform() const { return m_transform; }
    std::int16_t palTransform() const { return m_transform ? 1 : 0; }
    int directions() const { return m_directions; }
    bool isSaving() const { return m_saving; }

    // The one answer to "may a command run now": nothing changes the document
    // while a save is writing it.
    bool mayChange() const { return !m_saving; }

    // Frames that still fit below the frame limit.
    int room() const;

    // Not undoable: a new document, a setting, or the state of a save.
    void replace(FrameList frames, const QString& fileName, int directions);
    void clear();
    void setFileName(const QString& fileName) { m_fileName = fileName; }
    void setPalette(const Palette& palette) { m_palette = palette; }
    void setTransform(bool on) { m_transform = on; }
    void setSaving(bool saving) { m_saving = saving; }
    // Navigation, not an edit; no notification (the caller shows the frame).
    void setCurFrame(int number) { m_curFrame = number; }

    // Undoable edits; each notifies `changed` once it is done. Frame numbers
    // are 1-based, `at` is the 0-based slot the first new frame takes.
    bool insertFrames(FrameList frames, int at, const QString& stepName);
    void removeFrame(int number);
    void setOffset(int number, Axis axis, std::int32_t value);
    void applyPalette(const Palette& palette);
    void moveFrame(int number, int delta);
    void duplicateFrame(int number);
    // The frame object stays the same; its pixels, size, offsets and palettes change.
    void replaceFrame(int number, const DC6Frame& contents, const QString& stepName);
    void setDirections(int directions);
    // After a save that had to write a different layout; not an edit.
    void setSavedDirections(int directions) { m_directions = std::max(1, directions); }

    QUndoStack& undoStack() { return m_undo; }
    bool canUndo() const { return mayChange() && m_undo.canUndo(); }
    bool canRedo() const { return mayChange() && m_undo.canRedo(); }
    void undo();
    void redo();

signals:
    // Frames, their data, the current frame or the palette changed.
    void changed();

private:
    friend class Step;
    void notify() { emit changed(); }
    void push(class Step* step);

    FrameList m_frames;
    int m_curFrame = 0;
    QString m_fileName;
    Palette m_palette{};
    bool m_transform = true;
    bool m_saving = false;
    int m_directions = 1;
    QUndoStack m_undo;
};

} // namespace quillet::document
