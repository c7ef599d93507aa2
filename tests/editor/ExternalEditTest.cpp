#include "EditorTestSupport.h"
#include "editor/ExternalEditCommands.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>
#include <QUndoStack>
#include <filesystem>

namespace quillet::editor::test {
namespace {

constexpr int kWaitMs = 20000; // generous: the machine running the tests may be busy

// How the scripted editor saves: over the file, or beside it and renamed over it.
enum class Save { InPlace, Rename };

void savePicture(const QImage& picture, const QString& file, Save how) {
    const QString target = how == Save::InPlace ? file : file + ".saving";
    ASSERT_TRUE(picture.save(target, "PNG"));
    if (how == Save::Rename)
        std::filesystem::rename(target.toStdString(), file.toStdString());
}

// Indices of a frame as a top-down picture shows them.
int indexAt(const DC6Frame& frame, int x, int y) {
    return frame.getPixelData(
        0)[static_cast<std::size_t>(frame.get_Y_size() - 1 - y) * frame.get_X_size() + x];
}

class ExternalEdit : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        // No real program is started: the scripted editor is this test.
        window->externalEdits().watch().setLauncher([this](const QString& file, QString*) {
            launched << file;
            return true;
        });
        openDocument({{7, 2, 3, -4}, {8, 2}, {9, 2}});
    }

    // Frame `number` out for editing; returns its picture's file.
    QString editFrame(int number) {
        window->document().setCurFrame(number);
        trigger("EditFrameExternally");
        EXPECT_TRUE(messages().shown.empty());
        return launched.isEmpty() ? QString() : launched.last();
    }

    int steps() { return window->document().undoStack().index(); }
    bool waitForSteps(int n) {
        return QTest::qWaitFor([&] { return steps() == n; }, kWaitMs);
    }

    QStringList launched;
};

// The picture comes back changed in size and pixels, by either way of saving,
// as a palette picture of the frame's palette or in true colour.
TEST_F(ExternalEdit, EachSaveReplacesTheFrameAsOneUndoableStep) {
    const struct {
        const char* name;
        Save how;
        bool trueColour;
    } cases[] = {
        {"palette picture saved by rename", Save::Rename, false},
        {"palette picture saved in place", Save::InPlace, false},
        {"true colour saved in place", Save::InPlace, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FramePtr frame = window->frames()[0];
        const DC6Frame before = *frame;
        const QString file = editFrame(1);
        QImage picture(file);
        ASSERT_EQ(picture.format(), QImage::Format_Indexed8);
        ASSERT_EQ(picture.size(), QSize(7, 2));
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(picture.pixelIndex(x, 0), indexAt(before, x, 0));

        picture = picture.copy(0, 0, 5, 3); // one row more, two columns fewer
        for (int x = 0; x < 5; ++x)
            picture.setPixel(x, 2, static_cast<uint>(x == 0 ? 0 : 40 + x));
        if (c.trueColour) {
            picture = picture.convertToFormat(QImage::Format_ARGB32);
            picture.setPixel(0, 2, qRgba(0, 0, 0, 0));
        }
        const int stepsBefore = steps();
        savePicture(picture, file, c.how);
        ASSERT_TRUE(waitForSteps(stepsBefore + 1));

        EXPECT_EQ(window->frames()[0], frame); // the same frame, in its place
        EXPECT_EQ(window->frameCount(), 3);
        EXPECT_EQ(frame->get_X_size(), 5);
        EXPECT_EQ(frame->get_Y_size(), 3);
        EXPECT_EQ(frame->get_X_offset(), 3);
        EXPECT_EQ(frame->get_Y_offset(), -4);
        EXPECT_EQ(indexAt(*frame, 0, 2), 0);
        const Palette& palette = window->currentPalette();
        for (int x = 1; x < 5; ++x) {
            const int index = indexAt(*frame, x, 2);
            if (!c.trueColour) {
                EXPECT_EQ(index, 40 + x);
            }
            // Colours of the palette come back as an entry of that colour.
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(palette[3 * index + k], palette[3 * (40 + x) + k]);
        }
        EXPECT_EQ(window->document().undoStack().undoText(), "Edit Frame 1 Externally");
        EXPECT_EQ(text("txtHeight"), "3");
        EXPECT_EQ(previewImage().size(), QSize(5, 3));

        window->history().undo();
        EXPECT_EQ(frame->get_X_size(), 7);
        EXPECT_EQ(frame->getPixelData(0), before.getPixelData(0));
        EXPECT_TRUE(window->externalEdits().watch().isOut(
            static_cast<quint64>(reinterpret_cast<quintptr>(frame.get()))));
        EXPECT_TRUE(messages().shown.empty());
        // The next row starts from the picture of the frame as it is now.
        window->externalEdits().watch().stopAll();
    }
}

TEST_F(ExternalEdit, HalfWrittenPictureIsIgnoredUntilTheWholeOneArrives) {
    const QString file = editFrame(2);
    QImage picture(file);
    picture.setPixel(0, 0, 77);
    QByteArray whole;
    {
        QBuffer buffer(&whole);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(picture.save(&buffer, "PNG"));
    }
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(whole.left(whole.size() / 2));
    out.flush();
    QTest::qWait(800); // the watch settles and looks at the half
    EXPECT_EQ(steps(), 0);
    out.write(whole.mid(whole.size() / 2));
    out.close();
    ASSERT_TRUE(waitForSteps(1));
    EXPECT_EQ(indexAt(*window->frames()[1], 0, 0), 77);
    EXPECT_TRUE(messages().shown.empty());
}

// Frames that leave the document end their watch and lose their file; the
// others stay out.
TEST_F(ExternalEdit, FramesThatLeaveTheDocumentStopTheirWatch) {
    const struct {
        const char* name;
        std::function<void()> act;
        bool secondStaysOut;
    } cases[] = {
        {"delete",
         [&] {
             messages().answers = {platform::Answer::Yes};
             window->document().setCurFrame(1);
             window->frameCommands().remove();
         },
         true},
        {"new",
         [&] {
             messages().answers = {platform::Answer::No};
             window->files().newDocument();
         },
         false},
        {"open",
         [&] {
             openDocument({{4, 4}});
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        openDocument({{7, 2}, {8, 2}});
        messages().shown.clear();
        const QString first = editFrame(1);
        const QString second = editFrame(2);
        ASSERT_TRUE(QFileInfo::exists(first));
        c.act();
        messages().shown.clear();
        EXPECT_FALSE(QFileInfo::exists(first));
        EXPECT_EQ(QFileInfo::exists(second), c.secondStaysOut);
        EXPECT_EQ(window->externalEdits().watch().keys().size(), c.secondStaysOut ? 1 : 0);
    }
}

// Said once each, naming the frame and the reason; the watch goes on, so a
// later good save still arrives.
TEST_F(ExternalEdit, APictureThatCannotBeTakenIsToldOnce) {
    const QString file = editFrame(1);
    const QImage good = QImage(file).copy(0, 0, 4, 2);
    QImage huge(16385, 1, QImage::Format_Indexed8);
    huge.setColorCount(256);
    huge.fill(1);
    savePicture(huge, file, Save::InPlace);
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages().shown.size() == 1; }, kWaitMs));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write("\x89PNG and nothing a reader could use");
    out.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages().shown.size() == 2; }, kWaitMs));
    for (const auto& shown : messages().shown)
        EXPECT_TRUE(shown.text.startsWith(
            "Frame 1 could not be taken back from the external editor.\nframe_001.png: "))
            << shown.text.toStdString();
    savePicture(good, file, Save::Rename);
    ASSERT_TRUE(waitForSteps(1));
    EXPECT_EQ(messages().shown.size(), 2u);
}

TEST_F(ExternalEdit, TheEditorsCommandIsKeptInTheSettings) {
    const auto value = [] { return QSettings().value(ExternalEditorKey); };
    scripted->prompt->texts = {QStringLiteral(" paint --open %f "), std::nullopt, QString()};
    trigger("ExternalEditor");
    EXPECT_EQ(value().toString(), "paint --open %f");
    trigger("ExternalEditor"); // cancelled: kept
    EXPECT_EQ(value().toString(), "paint --open %f");
    trigger("ExternalEditor"); // blank: the desktop's default application
    EXPECT_FALSE(value().isValid());
}

} // namespace
} // namespace quillet::editor::test
