// The main of a benchmark that needs a Qt application object (QCoreApplication or QApplication).
#pragma once

#include <benchmark/benchmark.h>

#include <functional>

// beforeExit runs while the application still stands (a window kept across benchmarks goes there).
template <typename Application>
int runBenchmarks(int argc, char** argv, const std::function<void()>& beforeExit = {})
{
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (beforeExit)
        beforeExit();
    return 0;
}
