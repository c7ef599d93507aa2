#pragma once

#include "display/AnimationPlayer.h"
#include "display/frmShowFrame.h"
#include "document/Document.h"
#include "imaging/BitmapExport.h"
#include "imaging/PictureImport.h"
#include "imaging/ViewOptions.h"
#include "platform/Services.h"
#include "sprite/DC6Frame.h"
#include "sprite/Palette.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <optional>

class QAction;
class QDropEvent;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QLabel;
class QMenu;

namespace quillet::document {
class ExternalEdits;
}
namespace quillet::imaging {
struct ExportReport;
}

namespace quillet::editor {

class ExternalFrameEdits;
class RecentMenu;

// What a Save or Save As came to; New and Exit go on after anything but a
// failed write, so a document is never dropped after its save went wrong.
enum class SaveResult { Saved, Cancelled, NoFrames, Failed };

// The main window and owner of the one open document: the frame list, the
// current frame, the file name Save writes to and the document palette.
class frmQuillet2 : public QMainWindow {
    Q_OBJECT
public:
    // Services left null are filled with the real Qt dialogs, message boxes and pointer.
    // `workingDir`: where "Diablo2.pal" is looked for (the current directory by default).
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
    bool previewTicked() const;
    // Null once the editor has closed the preview; one the user closed stays
    // hidden until the next refresh shows it again.
    display::frmShowFrame* previewWindow() const { return m_preview; }
    bool isSaving() const { return m_doc.isSaving(); }
    platform::Services& services() { return m_services; }

    void showFrameData();
    void UpdatePreview();
    // Brings the scroll bar, the boxes and the preview in line with the document.
    void refresh();

    // Commands, one per menu item or button.
    void addFrame();
    void insertFrame();
    void deleteFrame();
    void frameNumberChanged(int value);
    void newDocument();
    void open();
    SaveResult save();
    SaveResult saveAs();
    void exitProgram();
    void selectPalette();
    void transformPalette(); // inverts the check mark, as the menu item does
    void togglePreview();    // likewise for "Preview"
    void exportBitmaps();
    void undo();
    void redo();
    void moveFrameEarlier();
    void moveFrameLater();
    void duplicateFrame();
    void chooseDirections();
    void exportPngs();
    void exportSheet();
    void exportGif();
    void addFramesFromSheet();
    void chooseFrameRate();
    // The preview's views; each is remembered between runs.
    const imaging::ViewOptions& viewOptions() const { return m_view; }
    void setViewOptions(const imaging::ViewOptions& options);
    bool isPlaying() const { return m_player->isPlaying(); }
    // Tests drive playback with a clock of their own.
    display::AnimationPlayer& usePlaybackClock(display::AnimationPlayer::Clock clock);
    void showAbout();
    void animate();
    // Frames out in the user's picture editor, and the recent files.
    void editFrameExternally();
    void chooseExternalEditor();
    void openRecent(const QString& path);
    document::ExternalEdits& externalEdits();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Files dropped on the window run Open (a .dc6 file) or Add Frame (pictures).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The menu commands' work once a path is known; the dialogs and drops share them.
    void openFile(const QString& path);
    void addFrameFrom(const QString& path);
    bool acceptDrag(QDropEvent* event);
    void buildWidgets();
    void buildMenus();
    void offsetEdited(QLineEdit* box, bool xAxis);
    void transformPaletteToggled();
    void previewToggled();
    // Whether a command may start now; every command asks first.
    bool mayRun() const;
    // mayRun() for a command that goes on to change, save or replace the
    // document: playback stops first, so no frame it shows can go away.
    bool beginCommand();
    void stopPlayback();
    void showPlayedFrame(int index);
    void makePlayer(display::AnimationPlayer::Clock clock);
    void exportFiles(imaging::ExportFormat format);
    QString chooseExportFile(const QString& filter, const QString& extension);
    void buildViewMenu();
    std::optional<FrameList> importPicture(const QString& path);
    std::optional<FrameList>
    importPicture(const QString& path, const QString& whenEmpty,
                  const std::function<FrameList(const imaging::ImportOptions&)>& load);
    void tellReadError(const QString& path, const QString& reason);
    bool writeDocument(const QString& path); // the one place Save and Save As write
    void tellExported(const imaging::ExportReport& report, int total);
    std::optional<Palette> readChosenPalette(const QString& path);
    void updateEditActions();
    // Asks when the frame count no longer splits into the document's directions.
    bool directionsFit();
    void showDirection();
    void tellNoFrames();
    platform::FileDialog& prepareDialog(const QString& filter);
    bool undoToggleWhileSaving(QAction* item);
    display::frmShowFrame& preparePreview();
    void closePreview();
    platform::Answer ask(const QString& question, platform::Buttons buttons);

    platform::Services m_services;

    document::Document m_doc;
    // Set while a typed offset is stored, so the refresh it causes does not
    // rewrite the box being typed in.
    bool m_typingOffset = false;

    QPointer<display::frmShowFrame> m_preview;

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
    QLabel* lblDirection = nullptr;

    QAction* transform_palette = nullptr;
    QAction* Preview = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    QAction* m_dither = nullptr;
    QAction* m_playOneDirection = nullptr;

    imaging::ViewOptions m_view;
    std::unique_ptr<display::AnimationPlayer> m_player;
    // The first frame (0-based) of what is playing: a direction's first
    // frame when one direction plays, else 0.
    int m_playFrom = 0;
    platform::SheetRequest m_lastSheet;

    std::unique_ptr<ExternalFrameEdits> m_external;
    RecentMenu* m_recent = nullptr; // owned by its menu
};

} // namespace quillet::editor
