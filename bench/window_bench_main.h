// main() of a benchmark that drives the main window: the benchmarks run
// inside a QApplication, on the offscreen platform unless another is asked
// for.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>

namespace pennaro::bench {

inline int runWindowBenchmarks(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace pennaro::bench
