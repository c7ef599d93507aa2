#include "imaging/BitmapExport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillet::imaging;

TEST(ExportNames, BaseNameLosesEveryBmpVariantFoldersIncluded) {
    const std::pair<const char*, const char*> cases[] = {
        {"walk", "walk"},
        {"walk.bmp", "walk"},
        {"walk.BMP", "walk"},
        {"walk.Bmp.bmp", "walk"},
        {"/out/walk.bMp.BmP.bmP.BMp.bMP", "/out/walk"},
        {"C:\\a.bmp.d\\walk.bmp", "C:\\a.d\\walk"},
        {"/tmp/a.bmp.d/walk.BMP", "/tmp/a.d/walk"},
        {"walk.bmpx", "walkx"},
        {"walk.bm", "walk.bm"},
        // One pass per variant: the ".bmp" formed by removing the inner one stays.
        {"x.b.bmpmp", "x.bmp"},
        {"", ""},
    };
    for (const auto& [chosen, base] : cases)
        EXPECT_EQ(exportBaseName(QString::fromUtf8(chosen)), QString::fromUtf8(base)) << chosen;
}

TEST(ExportNames, FrameNumbersArePaddedToThreeDigits) {
    const std::pair<int, const char*> cases[] = {
        {1, "walk_001.BMP"},       {9, "walk_009.BMP"},   {10, "walk_010.BMP"},
        {99, "walk_099.BMP"},      {100, "walk_100.BMP"}, {1000, "walk_1000.BMP"},
        {32767, "walk_32767.BMP"},
    };
    for (const auto& [n, name] : cases)
        EXPECT_EQ(exportFileName("walk", n), QString::fromUtf8(name)) << n;
    EXPECT_EQ(exportFileName("/out/a.d/walk", 3), "/out/a.d/walk_003.BMP");
}

class WriteBitmap : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
};

TEST_F(WriteBitmap, WritesAnUncompressed24BitBmpWithTheImageColours) {
    ASSERT_TRUE(m_dir.isValid());
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_Indexed8}) {
        SCOPED_TRACE(format);
        QImage image(5, 3, QImage::Format_RGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                image.setPixel(x, y, qRgb(x * 50, y * 100, 7));
        if (format == QImage::Format_Indexed8)
            image = image.convertToFormat(format, Qt::ThresholdDither);
        const QString file = path("walk_001.BMP");
        QString error;
        ASSERT_TRUE(writeBitmap(image, file, &error)) << error.toStdString();

        QFile in(file);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        const QByteArray bytes = in.readAll();
        ASSERT_GE(bytes.size(), 54);
        EXPECT_EQ(bytes.left(2), "BM");
        EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24); // bits per pixel
        EXPECT_EQ(bytes.mid(30, 4), QByteArray(4, '\0'));     // no compression
        const QImage back(file);
        ASSERT_EQ(back.size(), image.size());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(back.pixel(x, y) & 0xFFFFFF, image.pixel(x, y) & 0xFFFFFF);
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"walk_001.BMP"});
}

TEST_F(WriteBitmap, ReplacesAnExistingFile) {
    const QString file = path("a.BMP");
    QFile old(file);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents");
    old.close();
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    ASSERT_TRUE(writeBitmap(image, file, nullptr));
    EXPECT_EQ(QImage(file).pixel(1, 1) & 0xFFFFFF, 0x010203u);
}

TEST_F(WriteBitmap, FailuresGiveAReasonAndKeepWhatWasThere) {
    QFile regular(path("plain"));
    ASSERT_TRUE(regular.open(QIODevice::WriteOnly));
    regular.write("keep");
    regular.close();
    QDir(m_dir.path()).mkdir("folder");
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::red);

    struct Case {
        const char* name;
        QString target;
        QImage image;
    };
    const Case cases[] = {
        {"parent is a regular file", path("plain/walk_001.BMP"), image},
        {"target is a folder", path("folder"), image},
        {"empty image", path("empty.BMP"), QImage()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_FALSE(writeBitmap(c.image, c.target, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    QFile check(path("plain"));
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), "keep");
    EXPECT_TRUE(QFileInfo(path("folder")).isDir());
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plain"});
}
