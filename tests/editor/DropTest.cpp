#include "EditorTestSupport.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace quillet::editor::test {
namespace {

class Drop : public EditorTest {
protected:
    // Drags `urls` onto `target` (the window by default) and lets go, as the
    // windowing system would; true when both the drag and the drop were taken.
    // File managers offer the names as text too, which text boxes would take.
    bool dropUrls(const QList<QUrl>& urls, QWidget* target = nullptr) {
        QMimeData data;
        data.setUrls(urls);
        QStringList names;
        for (const QUrl& url : urls)
            names.push_back(url.toString());
        data.setText(names.join(QLatin1Char('\n')));
        QWidget* on = target ? target : window.get();
        const QPoint at = on->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(on, &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(on, &drop);
        QCoreApplication::processEvents();
        return enter.isAccepted() && drop.isAccepted();
    }
    bool dropFiles(const QStringList& files, QWidget* target = nullptr) {
        QList<QUrl> urls;
        for (const QString& file : files)
            urls.push_back(QUrl::fromLocalFile(file));
        return dropUrls(urls, target);
    }
    QString writeBytes(const QString& name, const QByteArray& bytes) {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path(name);
    }
};

TEST_F(Drop, ADc6FileReplacesTheDocumentAsOpenDoes) {
    openDocument({{1, 1}, {2, 1}, {3, 1}, {4, 1}});
    frameNr().setValue(4);
    const QString dialogName = fileDialog().FileName;
    const QString three = writeDc6(QStringLiteral("three.dc6"), {{7, 2}, {8, 2}, {9, 2}});
    const QString other = writeDc6(QStringLiteral("other.DC6"), {{5, 5}});

    EXPECT_TRUE(dropFiles({three, other}));
    expectOpenedThreeFrames(three);
    EXPECT_EQ(fileDialog().shown.size(), 1u); // only the one openDocument showed
    EXPECT_EQ(fileDialog().FileName, dialogName);
}

TEST_F(Drop, PicturesAreAddedInTheOrderDroppedAfterADocumentDroppedWithThem) {
    const QString wide = writePicture(QStringLiteral("wide.bmp"), 300, 4); // 256 + 44
    const QString small = writePicture(QStringLiteral("small.BMP"), 3, 3);
    EXPECT_TRUE(dropFiles({wide, small}));
    EXPECT_EQ(widths(), (std::vector<int>{256, 44, 3}));
    EXPECT_EQ(window->curFrame(), 1);
    EXPECT_EQ(frameNr().maximum(), 3);
    EXPECT_EQ(text("txtFrameCount"), "3");
    EXPECT_EQ(previewImage().size(), QSize(256, 4));
    for (const FramePtr& frame : window->frames())
        EXPECT_EQ(frame->getNewPalette(), window->currentPalette());

    messages().answers = {platform::Answer::No};
    EXPECT_TRUE(dropFiles({small, writeDc6(QStringLiteral("one.dc6"), {{9, 1}})}));
    EXPECT_EQ(widths(), (std::vector<int>{9, 3}));
}

TEST_F(Drop, WhatTheMenusCouldNotOpenIsLeftAlone) {
    struct Case {
        const char* what;
        QList<QUrl> urls;
        bool taken;
        std::vector<int> widths;
        QStringList unreadable = {};
    };
    const QString picture = writePicture(QStringLiteral("p.jpe"), 6, 2);
    const QString notes = writeBytes(QStringLiteral("notes.txt"), "six frames");
    const QString broken = writeBytes(QStringLiteral("broken.gif"), "GIF89a and nothing else");
    const QString junk = writeBytes(QStringLiteral("junk.dc6"), "no sprite");
    const std::vector<Case> cases = {
        {"picture and text",
         {QUrl::fromLocalFile(notes), QUrl::fromLocalFile(picture)},
         true,
         {1, 2, 6}},
        {"broken picture", {QUrl::fromLocalFile(broken)}, true, {1, 2}, {"broken.gif"}},
        {"broken document", {QUrl::fromLocalFile(junk)}, true, {1, 2}, {"junk.dc6"}},
        {"missing picture", {QUrl::fromLocalFile(path("gone.jpeg"))}, true, {1, 2}, {"gone.jpeg"}},
        {"text only", {QUrl::fromLocalFile(notes)}, false, {1, 2}},
        {"remote picture", {QUrl(QStringLiteral("https://example.org/p.bmp"))}, false, {1, 2}},
        {"folder", {QUrl::fromLocalFile(dir.path())}, false, {1, 2}},
        {"no urls", {}, false, {1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        openDocument({{1, 1}, {2, 1}});
        messages().shown.clear();
        frameNr().setValue(2);
        EXPECT_EQ(dropUrls(c.urls), c.taken);
        EXPECT_EQ(widths(), c.widths);
        EXPECT_EQ(window->curFrame(), 2);
        EXPECT_EQ(window->docFileName(), path("doc.dc6"));
        EXPECT_EQ(text("txtFrameCount"), QString::number(c.widths.size()));
        expectReadErrors(c.unreadable);
        EXPECT_FALSE(scripted->busy->busy);
    }
}

TEST_F(Drop, AFileLetGoOverAnOffsetBoxIsOpenedNotTyped) {
    QLineEdit& box = child<QLineEdit>("txtXoffset");
    EXPECT_TRUE(dropFiles({writeDc6(QStringLiteral("x.dc6"), {{4, 4, -12, 3}})}, &box));
    EXPECT_EQ(widths(), (std::vector<int>{4}));
    EXPECT_EQ(box.text(), "-12");

    // Text is still the box's own to take.
    QMimeData words;
    words.setText(QStringLiteral("7"));
    QDragEnterEvent enter(box.rect().center(), Qt::CopyAction, &words, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&box, &enter);
    EXPECT_TRUE(enter.isAccepted());
}

TEST_F(Drop, NothingIsTakenWhileASaveIsWriting) {
    openDocument({{3, 3}, {4, 4}});
    const QString picture = writePicture(QStringLiteral("p.bmp"), 5, 5);
    bool refused = false;
    setWriteFaultHook([&](std::size_t, std::size_t wanted) {
        refused = !dropFiles({picture}) && window->frameCount() == 2;
        return wanted;
    });
    EXPECT_EQ(window->files().save(), SaveResult::Saved);
    setWriteFaultHook({});
    EXPECT_TRUE(refused);
    EXPECT_EQ(window->frameCount(), 2);
}

} // namespace
} // namespace quillet::editor::test
