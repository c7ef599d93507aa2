#pragma once

#include <QObject>
#include <memory>

class QAction;
class QMenu;

namespace quillet::editor {

class CommandContext;
class ExternalEditCommands;
class RecentMenu;

// What a Save or Save As came to; New and Exit go on after anything but a
// failed write, so a document is never dropped after its save went wrong.
enum class SaveResult { Saved, Cancelled, NoFrames, Failed };

// The File menu's document commands: New, Open..., Open Recent, Save, Save
// As..., Exit, and the window's close. Open and Save keep the recent files.
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
    // Open's work once the file is known; the dialog, the recent files and
    // drops share it.
    void openFile(const QString& path);
    void openRecent(const QString& path);
    SaveResult save();
    SaveResult saveAs();
    void exitProgram();
    // The main window is closing, by Exit or its close box: false refuses
    // (a save is writing), true lets the document go.
    bool windowClosing();

signals:
    // A save started or ended: the edit commands are refused meanwhile, and
    // the directions it writes may differ from the document's.
    void saveStateChanged();

private:
    bool writeDocument(const QString& path); // the one place Save and Save As write
    // Asks when the frame count no longer splits into the document's directions.
    bool directionsFit();
    void tellNoFrames();

    CommandContext& m_context;
    ExternalEditCommands& m_external;
    QAction* m_open;
    QAction* m_new;
    QAction* m_save;
    QAction* m_saveAs;
    QAction* m_exit;
    std::unique_ptr<QMenu> m_recentMenu;
    RecentMenu* m_recent; // owned by its menu
};

} // namespace quillet::editor
