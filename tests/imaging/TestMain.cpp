// The JPEG reader is a plugin, found through the application object.
#include <QGuiApplication>
#include <QLoggingCategory>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    // The damaged-picture suite would otherwise bury the results in decoder warnings.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
