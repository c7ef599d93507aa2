#include "imaging/export/BitmapExport.h"

#include "imaging/view/FrameImage.h"
#include "sprite/Error.h"
#include "support/ExportReader.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::imaging;
using namespace quillet::testing;

TEST(ExportNames, BaseNameLosesEveryVariantOfTheExtensionFromTheFileNameOnly) {
    constexpr auto Png = ExportFormat::Png;
    const std::tuple<const char*, const char*, ExportFormat> cases[] = {
        {"walk", "walk", ExportFormat::Bmp},
        {"walk.bmp", "walk", ExportFormat::Bmp},
        {"walk.BMP", "walk", ExportFormat::Bmp},
        {"walk.Bmp.bmp", "walk", ExportFormat::Bmp},
        {"/out/walk.bMp.BmP.bmP.BMp.bMP", "/out/walk", ExportFormat::Bmp},
        {"/x/a.bmp.d/walk.bmp", "/x/a.bmp.d/walk", ExportFormat::Bmp},
        {"/tmp/a.BMP/walk", "/tmp/a.BMP/walk", ExportFormat::Bmp},
        {"walk.bmpx", "walkx", ExportFormat::Bmp},
        {"walk.bm", "walk.bm", ExportFormat::Bmp},
        // One pass per variant: the ".bmp" formed by removing the inner one stays.
        {"x.b.bmpmp", "x.bmp", ExportFormat::Bmp},
        {"", "", ExportFormat::Bmp},
        {"walk.png", "walk.png", ExportFormat::Bmp},
        {"walk.PNG", "walk", Png},
        {"/tmp/a.png.d/walk.pNg.PnG", "/tmp/a.png.d/walk", Png},
        {"walk.bmp", "walk.bmp", Png},
        {"x.p.pngng", "x.png", Png},
    };
    for (const auto& [chosen, base, format] : cases)
        EXPECT_EQ(exportBaseName(QString::fromUtf8(chosen), format), QString::fromUtf8(base))
            << chosen;
}

TEST(ExportNames, FrameNumbersArePaddedToThreeDigits) {
    const std::tuple<int, const char*, ExportFormat> cases[] = {
        {1, "walk_001.BMP", ExportFormat::Bmp},       {9, "walk_009.BMP", ExportFormat::Bmp},
        {10, "walk_010.BMP", ExportFormat::Bmp},      {99, "walk_099.BMP", ExportFormat::Bmp},
        {100, "walk_100.BMP", ExportFormat::Bmp},     {1000, "walk_1000.BMP", ExportFormat::Bmp},
        {32767, "walk_32767.BMP", ExportFormat::Bmp}, {7, "walk_007.png", ExportFormat::Png},
        {42, "walk_042.png", ExportFormat::Png},      {100, "walk_100.png", ExportFormat::Png},
    };
    for (const auto& [n, name, format] : cases)
        EXPECT_EQ(exportFileName("walk", n, format), QString::fromUtf8(name)) << n;
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
        writeBitmap(image, file);

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
    writeBitmap(image, file);
    EXPECT_EQ(QImage(file).pixel(1, 1) & 0xFFFFFF, 0x010203u);
}
