#pragma once

#include "platform/Services.h"
#include "sprite/DC6Frame.h"
#include "sprite/Palette.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QLabel;

namespace quillet::display {
class frmShowFrame;
}

namespace quillet::editor {

// The main window and owner of the one open document: the frame list, the
// current frame, the file name Save writes to and the document palette.
class frmQuillet2 : public QMainWindow {
    Q_OBJECT
public:
    // `services` null: the real Qt dialogs, message boxes and pointer.
    // `workingDir`: where "Diablo2.pal" is looked for (the current directory by default).
    explicit frmQuillet2(platform::Services services = {}, const QString& workingDir = {},
                         QWidget* parent = nullptr);
    ~frmQuillet2() override;

    // Document state, read-only outside the commands.
    const FrameList& frames() const { return m_frames; }
    int frameCount() const { return static_cast<int>(m_frames.size()); }
    int curFrame() const { return m_curFrame; }
    const QString& docFileName() const { return m_docFileName; }
    const Palette& currentPalette() const { return m_currentPalette; }
    // The check marks, read at the moment of use.
    std::int16_t palTransform() const;
    bool previewTicked() const;
    display::frmShowFrame* previewWindow() const { return m_preview; }
    platform::Services& services() { return m_services; }

    void showFrameData();
    void UpdatePreview();

    // Commands, one per menu item or button.
    void addFrame();
    void insertFrame();
    void deleteFrame();
    void frameNumberChanged(int value);
    void newDocument();
    void open();
    bool save();   // false when nothing was written (cancelled, failed, no frames)
    bool saveAs();
    void exitProgram();
    void selectPalette();
    void transformPalette();
    void togglePreview();
    void exportBitmaps();
    void showAbout();
    void animate();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWidgets();
    void buildMenus();
    void offsetEdited(QLineEdit* box, bool xAxis);
    void insertFrames(FrameList&& newFrames, int atIndex); // shared by Add and Insert
    bool writeDocument(const QString& path);               // the one place Save and Save As write

    platform::Services m_services;

    FrameList m_frames;
    int m_curFrame = 0;
    QString m_docFileName;
    Palette m_currentPalette{};
    bool m_saving = false;

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

    QAction* transform_palette = nullptr;
    QAction* Preview = nullptr;
};

} // namespace quillet::editor
