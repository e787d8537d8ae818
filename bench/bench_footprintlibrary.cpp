// Footprint library over KiCad's official library (about 12,500 files in about 140 folders):
// the index against a plain directory walk of the same tree, name lookups in the built index,
// loading one footprint by name, and reading every footprint of the library, by file and by name.
#include "components/footprintmanager.h"

#include <QDirIterator>
#include <QStringList>

#include <benchmark/benchmark.h>

namespace {

const QString kRoot = QStringLiteral("/usr/share/kicad/footprints");

// Ambiguity warnings of the lookup would flood the output.
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

int walk(const QStringList& filters)
{
    int files = 0;
    QDirIterator it(kRoot, filters, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++files;
    }
    return files;
}

void BM_DirectoryWalk(benchmark::State& state)
{
    const QStringList filters{QStringLiteral("*.kicad_mod"), QStringLiteral("*.mod")};
    int files = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(files = walk(filters));
    state.counters["files"] = files;
}
BENCHMARK(BM_DirectoryWalk)->Unit(benchmark::kMillisecond);

void BM_DirectoryWalkUnfiltered(benchmark::State& state)
{
    int files = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(files = walk({}));
    state.counters["files"] = files;
}
BENCHMARK(BM_DirectoryWalkUnfiltered)->Unit(benchmark::kMillisecond);

void BM_BuildIndex(benchmark::State& state)
{
    for (auto _ : state) {
        FootprintManager library;
        library.addSearchPath(kRoot);
        library.buildFootprintIndex();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMillisecond);

FootprintManager& indexedLibrary()
{
    static FootprintManager library;
    static bool ready = false;
    if (!ready) {
        library.addSearchPath(kRoot);
        library.buildFootprintIndex();
        ready = true;
    }
    return library;
}

const char* const kNames[] = {
    "R_0805_2012Metric",                          // level 1, unique
    "C_Axial_L12.0mm_D6.5mm_P20.00mm_Horizontal", // level 1, from an old library name
    "R_0805",                                     // level 2, ambiguous
    "0805_2012Met",                               // level 3
    "No_Such_Footprint",                          // no match
};

void BM_FindFootprintFile(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    FootprintManager& library = indexedLibrary();
    const QString name = QString::fromLatin1(kNames[state.range(0)]);
    for (auto _ : state)
        benchmark::DoNotOptimize(library.findFootprintFile(name));
    state.SetLabel(kNames[state.range(0)]);
    qInstallMessageHandler(nullptr);
}
BENCHMARK(BM_FindFootprintFile)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

void BM_LoadFootprintByName(benchmark::State& state)
{
    FootprintManager& indexed = indexedLibrary();
    const QString name = QStringLiteral("R_0805_2012Metric");
    for (auto _ : state) {
        // A copy shares the index and starts from an empty cache entry for the name.
        FootprintManager library = indexed;
        benchmark::DoNotOptimize(library.loadFootprint(name));
    }
}
BENCHMARK(BM_LoadFootprintByName)->Unit(benchmark::kMicrosecond);

void BM_LoadWholeLibrary(benchmark::State& state)
{
    QStringList paths;
    QDirIterator it(kRoot, {QStringLiteral("*.kicad_mod")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths.append(it.next());
    qInstallMessageHandler(quiet);
    for (auto _ : state) {
        FootprintManager library;
        int loaded = 0;
        for (const QString& path : paths)
            loaded += library.loadKicadFile(path) ? 1 : 0;
        benchmark::DoNotOptimize(loaded);
    }
    qInstallMessageHandler(nullptr);
    state.counters["files"] = paths.size();
    state.SetItemsProcessed(state.iterations() * paths.size());
}
BENCHMARK(BM_LoadWholeLibrary)->Unit(benchmark::kMillisecond)->Iterations(1);

// The whole road a component takes, name lookup included, for every footprint of the library.
void BM_LoadWholeLibraryByName(benchmark::State& state)
{
    QStringList names;
    QDirIterator it(kRoot, {QStringLiteral("*.kicad_mod")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        names.append(it.fileInfo().completeBaseName());
    }
    qInstallMessageHandler(quiet);
    int loaded = 0;
    for (auto _ : state) {
        FootprintManager library = indexedLibrary();
        loaded = 0;
        for (const QString& name : qAsConst(names))
            loaded += library.loadFootprint(name) ? 1 : 0;
        benchmark::DoNotOptimize(loaded);
    }
    qInstallMessageHandler(nullptr);
    state.counters["files"] = names.size();
    state.counters["loaded"] = loaded;
    state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(BM_LoadWholeLibraryByName)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
