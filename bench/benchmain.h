// The main of a benchmark that needs a Qt application object (QCoreApplication or QApplication).
#pragma once

#include <benchmark/benchmark.h>

template <typename Application>
int runBenchmarks(int argc, char** argv)
{
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
