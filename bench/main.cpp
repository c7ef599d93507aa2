// Benchmarks that draw or run commands need a QApplication; the offscreen
// platform keeps them independent of a display, and the windows they open
// keep their settings in a folder of their own, never in the user's.
#include <benchmark/benchmark.h>

#ifdef QUILLET_WITH_QT
#include "../tests/support/TestSettings.h"

#include <QApplication>
#include <QTemporaryDir>
#endif

#include <cstdlib>

int main(int argc, char** argv) {
#ifdef QUILLET_WITH_QT
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const QTemporaryDir settings;
    quillet::testing::keepSettingsIn(settings.path());
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
