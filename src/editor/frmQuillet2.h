#pragma once

#include "document/Document.h"
#include "platform/Services.h"
#include "sprite/DC6Frame.h"
#include "sprite/Palette.h"

#include <QMainWindow>
#include <memory>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QLabel;

namespace quillet::editor {

class CommandContext;
class DrawingCommands;
class ExportCommands;
class ExternalEditCommands;
class FileCommands;
struct DroppedFiles;
class FrameImportCommands;
class FrameSelectionCommands;
class HelpCommands;
class HistoryCommands;
class PaletteCommands;
class PixelSelectionCommands;
class PreviewCommands;
class StatusLine;

// The main window: it builds the widgets, places the commands' items in its
// menus and shows the document's current frame in the boxes, the scroll bar
// and the status line. The commands of each menu live in rooms of their own.
class frmQuillet2 : public QMainWindow {
    Q_OBJECT
public:
    // Services left null are filled with the real Qt dialogs, message boxes and pointer.
    // `workingDir`: where "default.pal" is looked for (the current directory by default).
    explicit frmQuillet2(platform::Services services = {}, const QString& workingDir = {},
                         QWidget* parent = nullptr);
    ~frmQuillet2() override;

    // The document; the commands change it, the window shows it.
    document::Document& document() { return m_doc; }
    const FrameList& frames() const { return m_doc.frames(); }
    int frameCount() const { return m_doc.frameCount(); }
    int curFrame() const { return m_doc.curFrame(); }
    const QString& docFileName() const { return m_doc.fileName(); }
    const Palette& currentPalette() const { return m_doc.palette(); }
    std::int16_t palTransform() const { return m_doc.palTransform(); }
    bool isSaving() const { return m_doc.isSaving(); }

    // The rooms of the commands.
    CommandContext& commands() { return *m_context; }
    FileCommands& files() { return *m_files; }
    FrameImportCommands& imports() { return *m_imports; }
    ExportCommands& exports() { return *m_exports; }
    PreviewCommands& preview() { return *m_preview; }
    ExternalEditCommands& externalEdits() { return *m_external; }
    FrameSelectionCommands& frameCommands() { return *m_frameCommands; }
    HistoryCommands& history() { return *m_history; }
    PaletteCommands& palettes() { return *m_palettes; }
    HelpCommands& help() { return *m_help; }
    DrawingCommands& drawing() { return *m_drawing; }

    // Files as if dropped on the window (the command line's): the first DC6
    // file opened, after the question a modified document asks, then every
    // picture added.
    void openFiles(const QStringList& paths);

    void showFrameData();
    // Brings the scroll bar, the boxes and the preview in line with the document.
    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWidgets();
    void buildMenus();
    void frameNumberChanged(int value);
    void offsetEdited(QLineEdit* box, bool xAxis);
    // A box left without an offset in it shows the frame's again.
    void offsetLeft(QLineEdit* box, bool xAxis);
    void takeFiles(const DroppedFiles& files);
    // The status line: the document's name, whether it is modified, and the
    // current frame's direction.
    void showStatus();

    platform::Services m_services;

    document::Document m_doc;
    // Set while a typed offset is stored, so the refresh it causes does not
    // rewrite the box being typed in.
    bool m_typingOffset = false;

    // Controls, named as the user-visible objects (tests find them by name).
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLineEdit* txtFrameCount = nullptr;
    QLineEdit* txtFrameNr = nullptr;
    QLineEdit* txtWidth = nullptr;
    QLineEdit* txtHeight = nullptr;
    QLineEdit* txtXoffset = nullptr;
    QLineEdit* txtYoffset = nullptr;
    QPushButton* cmdInsertFrame = nullptr;
    QPushButton* cmdAddFrame = nullptr;
    QPushButton* cmdAnimate = nullptr;
    QPushButton* cmdRemoveFrame = nullptr;
    QScrollBar* FrameNr = nullptr;
    QLabel* Pic = nullptr;
    // lblDocument and lblDirection.
    StatusLine* m_statusLine = nullptr;

    // Declared after the document, so that they go before it.
    std::unique_ptr<CommandContext> m_context;
    std::unique_ptr<PreviewCommands> m_preview;
    std::unique_ptr<FrameImportCommands> m_imports;
    std::unique_ptr<ExportCommands> m_exports;
    std::unique_ptr<ExternalEditCommands> m_external;
    std::unique_ptr<FrameSelectionCommands> m_frameCommands;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<HistoryCommands> m_history;
    std::unique_ptr<PaletteCommands> m_palettes;
    std::unique_ptr<HelpCommands> m_help;
    std::unique_ptr<DrawingCommands> m_drawing;
    std::unique_ptr<PixelSelectionCommands> m_pixelSelection;
};

} // namespace quillet::editor
