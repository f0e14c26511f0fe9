#pragma once

// The main function of a benchmark that needs a Qt application: widgets and
// pictures are made without a display.

#include <QApplication>
#include <benchmark/benchmark.h>

inline int runOffscreenBenchmarks(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
