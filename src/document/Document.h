#pragma once

#include "document/OriginalFile.h"
#include "sprite/DC6Frame.h"
#include "sprite/FrameEdit.h"
#include "sprite/Palette.h"
#include "sprite/PixelOps.h"

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace quillet::document {

enum class Axis { X, Y };

namespace steps {
class Step;
}

// Everything needed to rebuild a document, by value. The frames share their
// pixels with the document's (copy on write), so taking one costs little on
// the window's thread, and another thread may read it while editing goes on.
struct DocumentSnapshot {
    std::vector<DC6Frame> frames;
    int directions = 1;
    int curFrame = 0;
    Palette palette{};
    bool transform = true;
    QString fileName;
};

// The one open document: frames, current frame, file name, document palette,
// palette-transform flag and direction count, with an undo stack for every
// edit. Plain state plus change notifications; the window listens and
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

    // Whether a save would write something else than the file last opened or
    // saved holds, so that closing or replacing the document would lose work:
    // the history away from its clean point, the Transform palette flag changed
    // since while there are frames, or a document brought back from a
    // recovery copy. New and Open start clean.
    bool isModified() const { return m_modified; }

    // Not undoable: a new document, a setting, or the state of a save.
    void replace(FrameList frames, const QString& fileName, int directions);
    void clear();
    void setPalette(const Palette& palette);
    void setTransform(bool on);
    void setSaving(bool saving) { m_saving = saving; }

    // The file the document was last saved to, as the save left it; nothing
    // after New or Open, so the first save over an opened file reads it once
    // more to tell whether it is in our own layout (see keepOriginal).
    const KnownFile& knownFile() const { return m_knownFile; }
    // After a save wrote the document to `fileName`: that is its name now, the
    // current state is the clean one and the file is in our own layout.
    void markSaved(const QString& fileName);

    // The state a recovery copy keeps.
    DocumentSnapshot snapshot() const;
    // A document brought back from a recovery copy: a fresh history, and
    // modified under its old name until it is saved, so a save writes where
    // the user meant and nothing treats it as already on disk.
    void restore(const DocumentSnapshot& state);
    // Navigation, not an edit; no `framesChanged` (the caller shows the frame). A
    // frame outside the selection becomes the selection alone.
    void setCurFrame(int number);

    // Entries of the document palette that imports and re-indexing never
    // choose and the drawing tools never paint over nor with. A setting of
    // the palette, not an edit: no step, not in the snapshot. Every frame
    // takes it, those that come in later too. Index 0 is never in it.
    const IndexSet& protectedEntries() const { return m_protected; }
    void setProtectedEntries(IndexSet entries);
    // Where the set of a palette is remembered: asked whenever the document
    // palette changes (a palette chosen, its step undone or redone, a
    // recovery copy restored). Without one the set stays as it is.
    void setProtectionLookup(std::function<IndexSet(const Palette&)> lookup);

    // A copy of frame `number` as `edit` would leave it, the document
    // unchanged: what a preview of the edit shows. Throws as editFrames does.
    DC6Frame editedCopy(int number, const FrameEdit& edit) const;

    // The selected frames, ascending frame numbers. While there are frames the
    // current frame is among them; New, Open and a move to a frame outside
    // them leave it selected alone, and every step selects what it touched.
    const std::vector<int>& selection() const { return m_selection; }
    bool isSelected(int number) const;
    // Not an edit: selects `numbers` (those outside the list are dropped) and
    // makes `current`, which joins them, the current frame.
    void select(std::vector<int> numbers, int current);

    // Undoable edits; each notifies `framesChanged` once it is done. Frame numbers
    // are 1-based, `at` is the 0-based slot the first new frame takes.
    bool insertFrames(FrameList frames, int at, const QString& stepName);
    // Appends the frames; when they are the first, the document takes
    // `directions` in the same step, so one Undo takes both back.
    bool addFramesInDirections(FrameList frames, int directions, const QString& stepName);
    void setOffset(int number, Axis axis, std::int32_t value);
    void applyPalette(const Palette& palette);
    // Each of several frames in one step; `numbers` ascending, as selection() gives them.
    void removeFrames(const std::vector<int>& numbers);
    // The copies go right after the last of the frames; false when they
    // would not fit below the frame limit.
    bool duplicateFrames(const std::vector<int>& numbers);
    // "Move Frames": the frames, in their order, go where frame `before` stands
    // (frameCount() + 1: to the end); nothing when the order stays.
    void moveFrames(const std::vector<int>& numbers, int before);
    // Each frame one place earlier (delta -1) or later (+1) unless the frame
    // there is one of them too or there is none; nothing when none can move.
    void shiftFrames(const std::vector<int>& numbers, int delta);
    // The frames' offsets or pixels as `edit` says. Throws QuilletError naming
    // the frame, and changes nothing, when an offset would leave the 32-bit range.
    void editFrames(const std::vector<int>& numbers, const FrameEdit& edit,
                    const QString& stepName);
    // The frame object stays the same; its pixels, size, offsets and palettes change.
    void replaceFrame(int number, const DC6Frame& contents, const QString& stepName);
    void setDirections(int directions);
    // A drawing tool's work on frame `number`: `pixels` is the frame's whole
    // matrix as it is saved, changed only inside `changed`; the step is named
    // after the tool. With Transform palette on, a frame shown converted into
    // its palette is converted in the same step. False, and no step, when
    // nothing changed or the pixels do not fit the frame.
    bool paintFrame(int number, const pixels::Rect& changed, Bytes pixels, const QString& toolName);
    // The direction count a save has to write instead ("Save as One
    // Direction"), pushed before the write as an undo step of its own, so
    // that Undo and Redo give every state back its own directions.
    void setSavedDirections(int directions);

    QUndoStack& undoStack() { return m_undo; }
    bool canUndo() const { return mayChange() && m_undo.canUndo(); }
    bool canRedo() const { return mayChange() && m_undo.canRedo(); }
    void undo();
    void redo();

signals:
    // What the window shows of the frames changed: every edit, undo and redo
    // (palette and directions steps included), a new document, another
    // current frame. The window refreshes on it.
    void framesChanged();
    // isModified() turned.
    void modifiedChanged(bool modified);
    // Anything snapshot() holds changed: whenever framesChanged is emitted,
    // and also when the document palette or the Transform palette flag is set
    // outside the history, which the frames do not show. Recovery copies
    // follow it.
    void snapshotChanged();
    // The selection changed; `framesChanged` follows when more did.
    void selectionChanged();
    // protectedEntries() changed; `framesChanged` follows.
    void protectedEntriesChanged();

private:
    // The steps' one way in to the state below.
    friend class steps::Step;
    void notify();
    void push(steps::Step* step);
    void reset(FrameList frames, const QString& fileName, int directions, bool restored,
               int curFrame);
    void updateModified();
    // `numbers` within the list, sorted, with `current` among them; none
    // without frames.
    void setSelection(std::vector<int> numbers, int current);
    // The palette and the set remembered for it; true when the set changed.
    bool changePalette(const Palette& palette);
    bool takeProtection(IndexSet entries);
    // What `edit` makes of `frame`; an index edit may convert it (see Document.cpp).
    FrameState stateAfter(const DC6Frame& frame, const FrameEdit& edit,
                          std::optional<Palette>& original) const;

    FrameList m_frames;
    int m_curFrame = 0;
    std::vector<int> m_selection;
    QString m_fileName;
    Palette m_palette{};
    IndexSet m_protected;
    std::function<IndexSet(const Palette&)> m_protectionLookup;
    bool m_transform = true;
    bool m_saving = false;
    int m_directions = 1;
    QUndoStack m_undo;
    // What the last open or save left on disk, and what tells this state from it.
    bool m_savedTransform = true;
    bool m_restored = false;
    bool m_modified = false;
    KnownFile m_knownFile;
};

} // namespace quillet::document
