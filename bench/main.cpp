// Benchmarks that draw or run commands need a QApplication; the offscreen
// platform keeps them independent of a display.
#include <benchmark/benchmark.h>

#ifdef QUILLET_WITH_QT
#include <QApplication>
#endif

#include <cstdlib>

int main(int argc, char** argv) {
#ifdef QUILLET_WITH_QT
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
