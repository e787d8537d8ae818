// Reading a large KiCad netlist, against the floor of reading its bytes alone.
#include "benchmain.h"
#include "project/kicadnetlistreader.h"
#include "model/netlist.h"
#include "project/projectmanager.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kComponents = 10000;
constexpr int kNets = 20000;

// KiCad 6 shaped netlist: two-pin parts on three sheets, every net with 2 to 4 nodes
// except two power nets holding one pin of every hundredth part.
QByteArray generateNetlist()
{
    QString text;
    QTextStream out(&text);
    out << "(export (version \"E\")\n  (design (source \"/big/big.kicad_sch\") (tool \"Eeschema (6.0.10)\")\n"
           "    (sheet (number \"1\") (name \"/\") (tstamps \"/\")))\n  (components\n";
    const char* sheets[] = {"/", "/Power/", "/MCU/"};
    for (int i = 0; i < kComponents; ++i) {
        out << "    (comp (ref \"R" << i << "\")\n"
            << "      (value \"" << (i % 97) << "kΩ\")\n"
            << "      (footprint \"Resistor_SMD:R_0603_1608Metric\")\n"
            << "      (libsource (lib \"Device\") (part \"R\") (description \"Resistor\"))\n"
            << "      (property (name \"Sheetname\") (value \"\"))\n"
            << "      (sheetpath (names \"" << sheets[i % 3] << "\") (tstamps \"/\"))\n"
            << "      (tstamps \"5f3c" << QString::number(i, 16).rightJustified(4, QLatin1Char('0'))
            << "-8d2e-4e8a-9a3b-1c2d3e4f5a6b\"))\n";
    }
    out << "  )\n  (nets\n";
    for (int n = 0; n < kNets; ++n) {
        out << "    (net (code \"" << (n + 1) << "\") (name \"/" << sheets[n % 3] << "NET" << n << "\")\n";
        const int nodes = (n < 2) ? kComponents / 100 : 2 + n % 3;
        for (int k = 0; k < nodes; ++k) {
            const int ref = (n * 7 + k * 13) % kComponents;
            out << "      (node (ref \"R" << ref << "\") (pin \"" << (1 + (n + k) % 2)
                << "\") (pinfunction \"\") (pintype \"passive\"))\n";
        }
        out << "    )\n";
    }
    out << "  )\n)\n";
    out.flush();
    return text.toUtf8();
}

struct Fixture
{
    QTemporaryDir dir;
    QString path;
    qint64 size = 0;

    Fixture()
    {
        path = dir.filePath(QStringLiteral("big.net"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            size = file.write(generateNetlist());
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

} // namespace

static void BM_NetlistFileBytesOnly(benchmark::State& state)
{
    const Fixture& f = fixture();
    for (auto _ : state) {
        QFile file(f.path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        benchmark::DoNotOptimize(bytes.constData());
    }
    state.SetBytesProcessed(state.iterations() * f.size);
    state.counters["components"] = kComponents;
    state.counters["nets"] = kNets;
}
BENCHMARK(BM_NetlistFileBytesOnly)->Unit(benchmark::kMillisecond);

static void BM_NetlistLoad(benchmark::State& state)
{
    const Fixture& f = fixture();
    for (auto _ : state) {
        Netlist netlist;
        QString error;
        if (!ProjectManager::loadNetlist(f.path, netlist, error))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(netlist.components.size());
    }
    state.SetBytesProcessed(state.iterations() * f.size);
    state.counters["components"] = kComponents;
    state.counters["nets"] = kNets;
}
BENCHMARK(BM_NetlistLoad)->Unit(benchmark::kMillisecond);

// The interpreter alone, on text already decoded.
static void BM_NetlistParseText(benchmark::State& state)
{
    const Fixture& f = fixture();
    QFile file(f.path);
    file.open(QIODevice::ReadOnly);
    const QString text = QString::fromUtf8(file.readAll());
    for (auto _ : state) {
        Netlist netlist;
        benchmark::DoNotOptimize(parseKiCadSExpression(text, netlist));
    }
    state.SetBytesProcessed(state.iterations() * f.size);
}
BENCHMARK(BM_NetlistParseText)->Unit(benchmark::kMillisecond);

// A netlist of junk atoms of about the given size: one component and one net, the rest atoms
// and unknown lists the reader must skip.
QByteArray junkNetlist(qint64 megabytes)
{
    QByteArray junk = "(export (version E) (components (comp (ref R1) (value 1k) ";
    const qint64 target = megabytes * 1024 * 1024;
    while (junk.size() < target / 2)
        junk += "a b c d e f g h i j k l m n o p (x 1) (y (z 2)) ";
    junk += ")) (nets (net (name N) (node (ref R1) (pin 1)) ";
    while (junk.size() < target)
        junk += "q r s t u v w x y z ";
    junk += ")))";
    return junk;
}

long statusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLong();
    return -1;
}

int main(int argc, char** argv)
{
    // "--peak <MB>": loads a junk netlist of that size once, in a fresh process, and prints the
    // peak resident memory against the file's size (the reader should stay within ten times).
    if (argc >= 3 && qstrcmp(argv[1], "--peak") == 0) {
        QCoreApplication app(argc, argv);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("junk.net"));
        qint64 size = 0;
        {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly))
                return 1;
            size = file.write(junkNetlist(QByteArray(argv[2]).toLongLong()));
        }
        // Forget the generator's peak: measure from the memory in use now.
        QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
        if (clearRefs.open(QIODevice::WriteOnly))
            clearRefs.write("5");
        clearRefs.close();
        const long before = statusKb("VmRSS:");
        Netlist netlist;
        QString error;
        const bool ok = ProjectManager::loadNetlist(path, netlist, error);
        const long after = statusKb("VmHWM:");
        std::printf("junk netlist %lld MB: ok=%d peak %ld MB (before %ld MB), growth/size %.2f\n",
                    static_cast<long long>(size >> 20), int(ok), after / 1024, before / 1024,
                    double(after - before) * 1024.0 / double(size));
        return ok ? 0 : 1;
    }
    return runBenchmarks<QCoreApplication>(argc, argv);
}
