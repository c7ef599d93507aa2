#pragma once

#include "document/ExternalFileWatch.h"
#include "sprite/DC6Frame.h"

#include <QObject>
#include <optional>

class QAction;

namespace quillet::editor {

class CommandContext;
class FrameImportCommands;

// The settings value Settings > "External Editor..." edits: a command line in
// which %f stands for the picture's file. Blank: the desktop's default
// application for PNG pictures.
inline constexpr const char* ExternalEditorKey = "externalEditor/command";

// Edit > Edit Frame Externally and Settings > External Editor...: frames of
// the document out in the user's picture editor, each save there replacing
// the frame as one undoable step. Frames are known by their object, which
// stays the same when its contents are replaced or undone; one that leaves
// the document (deleted, or the document replaced) stops its watch.
class ExternalEditCommands : public QObject {
    Q_OBJECT
public:
    // Pictures read back follow the imports' dithering choice.
    ExternalEditCommands(CommandContext& context, const FrameImportCommands& imports);

    QAction* editAction() const { return m_edit; }
    QAction* chooseEditorAction() const { return m_chooseEditor; }
    document::ExternalFileWatch& watch() { return m_watch; }
    void stopAll() { m_watch.stopAll(); }

    void editFrameExternally();
    void chooseExternalEditor();

private:
    // Hands frame `number` to the editor; false with `error` set when that failed.
    bool start(int number, QString* error);
    // `settled`: the file has stayed as it is since it last could not be read.
    void takePicture(quint64 key, const QString& path, bool settled);
    // The picture as a frame's contents, or nothing with the reason; `final`
    // when the same bytes can never be taken.
    std::optional<DC6Frame> readPicture(const QString& path, QString* reason, bool* final) const;
    void dropLeftFrames();
    int numberOf(quint64 key) const;

    CommandContext& m_context;
    const FrameImportCommands& m_imports;
    document::ExternalFileWatch m_watch;
    QAction* m_edit;
    QAction* m_chooseEditor;
};

} // namespace quillet::editor
