#pragma once

// A main window wired to scripted dialogs, in a temporary working folder,
// with helpers that make DC6 files and pictures for it to read.

#include "display/ImageArea.h"
#include "display/frmShowFrame.h"
#include "editor/CommandContext.h"
#include "editor/ExportCommands.h"
#include "editor/ExternalEditCommands.h"
#include "editor/FileCommands.h"
#include "editor/FrameImportCommands.h"
#include "editor/FrameSelectionCommands.h"
#include "editor/HistoryCommands.h"
#include "editor/PaletteCommands.h"
#include "editor/PreviewCommands.h"
#include "editor/frmQuillet2.h"
#include "sprite/DC6FileIO.h"
#include "sprite/SafeFile.h"
#include "support/ScriptedServices.h"
#include "support/SpriteTestSupport.h"
#include "support/TestSettings.h"

#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <vector>

namespace quillet::editor::test {

struct FrameShape {
    int width;
    int height;
    int x = 0;
    int y = 0;
};

using quillet::testing::rampPalette;

// Pixels that differ from frame to frame and from row to row.
inline FramePtr makeFrame(const FrameShape& shape) {
    Bytes pixels(static_cast<std::size_t>(shape.width) * shape.height);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>((i * 7 + shape.width) % 256);
    return quillet::testing::makeFrame(shape.width, shape.height, pixels, shape.x, shape.y);
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        testing::keepSettingsIn(dir.filePath("settings"));
        start();
    }
    void TearDown() override { setWriteFaultHook({}); }

    // With `ownDialogs`, sheets, remaps and canvas sizes are asked with the window's own dialogs.
    void start(const QString& workingDir = {}, bool ownDialogs = false) {
        window.reset();
        scripted = std::make_unique<testing::ScriptedServices>();
        if (ownDialogs) {
            scripted->bundle.sheetQuestion.reset();
            scripted->bundle.sheetDataQuestion.reset();
            scripted->bundle.remapQuestion.reset();
            scripted->bundle.canvasQuestion.reset();
        }
        window = std::make_unique<frmQuillet2>(std::move(scripted->bundle),
                                               workingDir.isEmpty() ? dir.path() : workingDir);
        window->show();
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QString writeFile(const QString& name, const QByteArray& bytes) {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return file.fileName();
    }

    QString writeDc6(const QString& name, const std::vector<FrameShape>& shapes) {
        FrameList frames;
        for (const FrameShape& shape : shapes)
            frames.push_back(makeFrame(shape));
        DC6FileIO().SaveDC6(path(name).toStdString(), frames, 0);
        return path(name);
    }

    // An 8-bit BMP of `width` x `height` with a colour table of its own.
    QString writePicture(const QString& name, int width, int height) {
        QImage image(width, height, QImage::Format_Indexed8);
        image.setColorCount(256);
        for (int i = 0; i < 256; ++i)
            image.setColor(i, qRgb(255 - i, i, (i * 3) % 256));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, static_cast<uint>((x + 3 * y) % 256));
        const QString file = path(name);
        EXPECT_TRUE(image.save(file, "BMP"));
        return file;
    }

    // Whatever was open before goes, unsaved: the question about it is answered No.
    void openDocument(const std::vector<FrameShape>& shapes) {
        if (window->document().isModified())
            messages().answers.push_front(platform::Answer::No);
        fileDialog().answers.push_back(writeDc6(QStringLiteral("doc.dc6"), shapes));
        window->files().open();
        ASSERT_EQ(window->frameCount(), static_cast<int>(shapes.size()));
    }

    void addPicture(int width, int height) {
        fileDialog().answers.push_back(
            writePicture(QStringLiteral("pic%1x%2.bmp").arg(width).arg(height), width, height));
        window->imports().addFrame();
    }

    // Frames are told apart by their widths.
    std::vector<int> widths() const {
        std::vector<int> out;
        for (const FramePtr& frame : window->frames())
            out.push_back(frame->get_X_size());
        return out;
    }

    // The state Open leaves after reading `file`, made by writeDc6 with frames of widths 7, 8, 9.
    void expectOpenedThreeFrames(const QString& file) {
        EXPECT_EQ(widths(), (std::vector<int>{7, 8, 9}));
        EXPECT_EQ(window->curFrame(), 1);
        EXPECT_EQ(frameNr().value(), 1);
        EXPECT_EQ(frameNr().maximum(), 3);
        EXPECT_EQ(text("txtFrameCount"), "3");
        EXPECT_EQ(text("txtWidth"), "7");
        EXPECT_EQ(previewImage().size(), QSize(7, 2));
        EXPECT_EQ(window->docFileName(), file);
        for (const FramePtr& frame : window->frames()) {
            EXPECT_EQ(frame->getOrigPalette(), window->currentPalette());
            EXPECT_EQ(frame->getNewPalette(), window->currentPalette());
        }
    }

    template <class T> T& child(const char* name) {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            throw std::logic_error(std::string("no child named ") + name);
        return *found;
    }
    QString text(const char* box) { return child<QLineEdit>(box).text(); }
    // The preview's stand-in for a palette entry, which screen readers read.
    QWidget& paletteEntry(int index) {
        for (QWidget* w : window->preview().previewWindow()->findChildren<QWidget*>())
            if (w->accessibleName() == QStringLiteral("Palette index %1").arg(index))
                return *w;
        throw std::logic_error("no palette entry " + std::to_string(index));
    }
    QScrollBar& frameNr() { return child<QScrollBar>("FrameNr"); }
    void trigger(const char* action) { child<QAction>(action).trigger(); }

    // One warning per file that could not be read, naming the file once and
    // giving a reason; takes them off the list.
    void expectReadErrors(const QStringList& fileNames) {
        ASSERT_EQ(messages().shown.size(), static_cast<std::size_t>(fileNames.size()));
        for (qsizetype i = 0; i < fileNames.size(); ++i) {
            const auto& shown = messages().shown[static_cast<std::size_t>(i)];
            EXPECT_EQ(shown.title, "Quillet 2.1");
            EXPECT_EQ(shown.icon, platform::Icon::Warning);
            EXPECT_TRUE(shown.text.startsWith(fileNames[i] + ": ")) << shown.text.toStdString();
            EXPECT_EQ(shown.text.count(fileNames[i]), 1) << shown.text.toStdString();
            EXPECT_GT(shown.text.size(), fileNames[i].size() + 3);
        }
        messages().shown.clear();
    }

    testing::ScriptedFileDialog& fileDialog() { return *scripted->fileDialog; }
    testing::ScriptedMessageBox& messages() { return *scripted->messageBox; }
    // Null while the preview is closed.
    QImage previewImage() {
        return window->preview().previewWindow()
                   ? window->preview().previewWindow()->Img().retainedImage()
                   : QImage();
    }

    QTemporaryDir dir;
    std::unique_ptr<testing::ScriptedServices> scripted;
    std::unique_ptr<frmQuillet2> window;
};

} // namespace quillet::editor::test
