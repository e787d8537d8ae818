// Baseline: cost of bringing up the Qt application object the program starts with.
#include <QCoreApplication>
#include <benchmark/benchmark.h>

static void BM_CoreApplication(benchmark::State& state)
{
    int argc = 1;
    char name[] = "bench";
    char* argv[] = {name, nullptr};
    for (auto _ : state) {
        QCoreApplication app(argc, argv);
        benchmark::DoNotOptimize(&app);
    }
}
BENCHMARK(BM_CoreApplication);

BENCHMARK_MAIN();
