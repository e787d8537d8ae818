// Reading the copper of KiCad footprints (pads, lines/arcs, zones) from file texts already in
// memory, over the installed KiCad library.
#include "components/footprintmanager.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

struct LibraryText
{
    QString name;
    QString text;
};

const std::vector<LibraryText>& libraryTexts()
{
    static const std::vector<LibraryText> texts = [] {
        std::vector<LibraryText> result;
        QDirIterator it(QStringLiteral("/usr/share/kicad/footprints"), {QStringLiteral("*.kicad_mod")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly | QIODevice::Text))
                result.push_back({QFileInfo(file.fileName()).fileName(), QString::fromUtf8(file.readAll())});
        }
        std::sort(result.begin(), result.end(),
                  [](const LibraryText& a, const LibraryText& b) { return a.name < b.name; });
        return result;
    }();
    return texts;
}

qsizetype parseAll(const QString& text)
{
    return FootprintManager::parsePads(text).size() + FootprintManager::parseTracks(text).size()
        + FootprintManager::parseZones(text).size();
}

// The whole library, one pass per iteration.
void BM_ParseWholeLibrary(benchmark::State& state)
{
    const auto& texts = libraryTexts();
    qint64 chars = 0;
    for (const LibraryText& t : texts)
        chars += t.text.size();
    for (auto _ : state) {
        qsizetype items = 0;
        for (const LibraryText& t : texts)
            items += parseAll(t.text);
        benchmark::DoNotOptimize(items);
    }
    state.counters["files"] = static_cast<double>(texts.size());
    state.counters["Mchars"] = static_cast<double>(chars) / 1e6;
}
BENCHMARK(BM_ParseWholeLibrary)->Unit(benchmark::kMillisecond)->Iterations(3);

// Per-file time distribution: each file parsed on its own, timed, median and slowest reported.
void BM_ParseOneFootprintDistribution(benchmark::State& state)
{
    const auto& texts = libraryTexts();
    std::vector<std::pair<double, const LibraryText*>> times;
    times.reserve(texts.size());
    for (auto _ : state) {
        times.clear();
        for (const LibraryText& t : texts) {
            const auto start = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(parseAll(t.text));
            const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
            times.emplace_back(elapsed.count(), &t);
        }
    }
    std::sort(times.begin(), times.end());
    if (times.empty())
        return;
    state.counters["median_us"] = times[times.size() / 2].first;
    state.counters["p99_us"] = times[times.size() * 99 / 100].first;
    state.counters["max_us"] = times.back().first;
    state.counters["max_file_kchars"] = times.back().second->text.size() / 1000.0;
    state.SetLabel(("slowest " + times.back().second->name).toStdString());
}
BENCHMARK(BM_ParseOneFootprintDistribution)->Unit(benchmark::kMillisecond)->Iterations(1);

// Single typical and large files, for a stable per-file figure.
void BM_ParseFile(benchmark::State& state, const char* fileName)
{
    const auto& texts = libraryTexts();
    const auto it = std::find_if(texts.begin(), texts.end(),
                                 [&](const LibraryText& t) { return t.name == QLatin1String(fileName); });
    if (it == texts.end()) {
        state.SkipWithError("file not in the library");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(parseAll(it->text));
    state.counters["kchars"] = it->text.size() / 1000.0;
}
BENCHMARK_CAPTURE(BM_ParseFile, R_0603, "R_0603_1608Metric.kicad_mod")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ParseFile, QFN_48, "QFN-48-1EP_7x7mm_P0.5mm_EP5.6x5.6mm.kicad_mod")
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
