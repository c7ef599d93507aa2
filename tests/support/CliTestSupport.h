#pragma once

// quillet-cli run in a temporary working folder, and the editor started in
// the same folder to compare with. QUILLET_CLI names the built program.

#include "editor/frmQuillet2.h"
#include "sprite/DC6Frame.h"
#include "support/ScriptedServices.h"
#include "support/TestSettings.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace quillet::testing {

struct CliResult {
    int exitCode;
    QString out;
    QString err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString path(const QString& name) const { return dir.filePath(name); }

    CliResult cli(const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(QUILLET_CLI), arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    // An 8-bit picture with its own colour table, cut into two tiles.
    QString writeBmp(const QString& name, int width, int height) {
        QImage image(width, height, QImage::Format_Indexed8);
        QVector<QRgb> table;
        for (int i = 0; i < 256; ++i)
            table.push_back(qRgb(i, (i * 3) % 256, 255 - i));
        image.setColorTable(table);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.scanLine(y)[x] = static_cast<uchar>((x / 3 + y * 5) % 256);
        EXPECT_TRUE(image.save(path(name), "BMP"));
        return path(name);
    }

    QString writeJpeg(const QString& name) {
        QImage image(40, 30, QImage::Format_RGB32);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                image.setPixel(x, y, qRgb(x * 6, y * 8, (x + y) * 3));
        EXPECT_TRUE(image.save(path(name), "JPEG"));
        return path(name);
    }

    void write(const QString& name, const QByteArray& bytes) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void writePalette(const QString& name, int size, int seed) {
        QByteArray bytes(size, 0);
        for (int i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * seed) % 251);
        write(name, bytes);
    }

    QByteArray read(const QString& name) {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The editor started in the same folder, driven through its commands.
    std::unique_ptr<editor::frmQuillet2> startEditor() {
        scripted = std::make_unique<testing::ScriptedServices>();
        testing::keepSettingsIn(dir.filePath("settings"));
        return std::make_unique<editor::frmQuillet2>(std::move(scripted->bundle), dir.path());
    }

    QTemporaryDir dir;
    std::unique_ptr<testing::ScriptedServices> scripted;
};

// Frames whose pixels use every index, repeated colours of the palette included.
inline FrameList spriteFrames(int count) {
    FrameList frames;
    for (int i = 0; i < count; ++i) {
        Bytes pixels(static_cast<std::size_t>(4 + i % 3) * 3);
        for (std::size_t p = 0; p < pixels.size(); ++p)
            pixels[p] = static_cast<std::uint8_t>(p * 41 + static_cast<std::size_t>(i) * 7);
        auto frame = std::make_shared<DC6Frame>();
        frame->setPixelData(pixels, static_cast<std::int16_t>(4 + i % 3), 3);
        frame->set_X_offset(-5 + i);
        frame->set_Y_offset(40);
        frames.push_back(frame);
    }
    return frames;
}

} // namespace quillet::testing
