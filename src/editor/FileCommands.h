#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QAction;
class QMenu;

namespace quillet::document {
class RecoveryKeeper;
}

namespace quillet::editor {

class CommandContext;
class ExternalEditCommands;
class RecentMenu;

// What a Save or Save As came to; only Saved lets a closed or replaced
// document go after the user asked for it to be saved.
enum class SaveResult { Saved, Cancelled, NoFrames, Failed };

// The File menu's document commands: New, Open..., Open Recent, Save, Save
// As..., Exit, and the window's close. Open and Save keep the recent files.
// Whatever closes or replaces a document the user may still want asks first,
// and Cancel (or Escape) at the question, in the Save As dialog or a failed
// save keeps it. While it is modified, a recovery copy is kept (once
// keepRecoveryCopies() was called).
class FileCommands : public QObject {
    Q_OBJECT
public:
    // Frames out in the external editor end with the document they belong to.
    FileCommands(CommandContext& context, ExternalEditCommands& external);
    ~FileCommands() override;

    QAction* openAction() const { return m_open; }
    QMenu* recentMenu() const { return m_recentMenu.get(); }
    QAction* newAction() const { return m_new; }
    QAction* saveAction() const { return m_save; }
    QAction* saveAsAction() const { return m_saveAs; }
    QAction* exitAction() const { return m_exit; }

    void newDocument();
    void open();
    // Open's work once the file is known and the old document may go; the
    // dialog, the recent files and drops share it.
    void openFile(const QString& path);
    void openRecent(const QString& path);
    SaveResult save();
    SaveResult saveAs();
    void exitProgram();
    // The main window is closing, by Exit or its close box: false keeps it
    // open (Cancel, a save that did not happen, or a save writing now).
    bool windowClosing();
    // Before Open, Open Recent or a drop replaces the document: asks "Save
    // before closing DC6 animation ?" when it is modified; false keeps it.
    bool mayReplace();
    // The desktop session is ending. `mayAsk` asks the session for leave to
    // ask the user, which it may refuse: then a recovery copy is kept
    // instead. False when the user wants the session to go on.
    bool sessionEnding(const std::function<bool()>& mayAsk);

    // From now on a recovery copy of the document is kept in `folder` (the
    // application's data folder by default); the copies that runs which did
    // not end cleanly left there are offered, to be restored or discarded.
    void keepRecoveryCopies();
    void keepRecoveryCopies(const QString& folder);

signals:
    // A save started or ended: the edit commands are refused meanwhile, and
    // the name and the directions it writes may differ from the document's.
    void saveStateChanged();

private:
    // Asks `question` (Yes, No, Cancel); true when the document may go: No,
    // or Yes and it was saved.
    bool mayClose(const QString& question);
    bool writeDocument(const QString& path); // the one place Save and Save As write
    // Asks when the frame count no longer splits into the document's directions.
    bool directionsFit();
    void tellNoFrames();
    void offerRecoveryCopies();
    void recoveryWriteFailed(const QString& reason);

    CommandContext& m_context;
    ExternalEditCommands& m_external;
    QAction* m_open;
    QAction* m_new;
    QAction* m_save;
    QAction* m_saveAs;
    QAction* m_exit;
    std::unique_ptr<QMenu> m_recentMenu;
    RecentMenu* m_recent; // owned by its menu
    // How the window's close goes when the session ends: the user's answer
    // at the session's question stands, or the recovery copy is kept.
    enum class Ending { Ask, Answered, KeepCopy };
    Ending m_ending = Ending::Ask;
    bool m_toldWriteFailure = false;
    std::unique_ptr<document::RecoveryKeeper> m_keeper;
};

} // namespace quillet::editor
