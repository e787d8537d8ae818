// Reading a large KiCad netlist, against the floor of reading its bytes alone and against the
// reader as it was before it streamed (a whole tree, then the interpretation); the netlist
// update's track-end check against the parse of the same netlist.
#include "benchmain.h"
#include "project/kicadnetlistreader.h"
#include "model/netlist.h"
#include "model/routerecords.h"
#include "project/netlistupdate.h"
#include "project/projectmanager.h"
#include "project/sexprnode.h"

#include <QDir>
#include <QElapsedTimer>

#include <functional>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kComponents = 2000; // the most a design may hold
constexpr int kNets = 4000;

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

// The reader before it streamed: the whole tree, then components and nets read from it.
namespace EarlierReader {

QString fieldValue(const SExprNode& node, const QString& name)
{
    const SExprNode* list = node.findChildList(name);
    if (!list)
        return QString();
    for (qsizetype i = 1; i < list->children.size(); ++i) {
        if (!list->children.at(i).isList)
            return list->children.at(i).atom;
    }
    return QString();
}

QString fieldValue(const SExprNode& node, const QString& name, const QString& alternative)
{
    const QString value = fieldValue(node, name);
    return value.isEmpty() ? fieldValue(node, alternative) : value;
}

const SExprNode* findSection(const SExprNode& root, const QString& name)
{
    if (const SExprNode* section = root.findChildList(name))
        return section;
    if (const SExprNode* exportNode = root.findChildList(QStringLiteral("export")))
        return exportNode->findChildList(name);
    return nullptr;
}

bool parse(const QString& text, Netlist& out)
{
    out.clear();
    SExprNode root;
    try {
        int pos = 0;
        parseSExpressionNode(root, text, pos, 0);
    } catch (const std::exception&) {
        return false;
    }
    if (const SExprNode* section = findSection(root, QStringLiteral("components"))) {
        for (const SExprNode& child : section->children) {
            if (child.head() != QLatin1String("comp"))
                continue;
            NetlistComponent component;
            component.ref = fieldValue(child, QStringLiteral("ref"));
            component.value = fieldValue(child, QStringLiteral("value"));
            component.footprint = fieldValue(child, QStringLiteral("footprint"));
            const SExprNode* pinsNode = child.findChildList(QStringLiteral("pins"));
            for (const SExprNode& p : (pinsNode ? *pinsNode : child).children) {
                if (p.head() != QLatin1String("pin"))
                    continue;
                NetlistPin pin;
                pin.number = fieldValue(p, QStringLiteral("num"), QStringLiteral("number"));
                pin.name = fieldValue(p, QStringLiteral("name"), QStringLiteral("pin_name"));
                if (!pin.number.isEmpty())
                    component.pins.insert(pin.number, pin);
            }
            if (!component.ref.isEmpty())
                out.components.insert(component.ref, component);
        }
    }
    if (const SExprNode* section = findSection(root, QStringLiteral("nets"))) {
        for (const SExprNode& child : section->children) {
            if (child.head() != QLatin1String("net"))
                continue;
            NetlistNet net;
            net.netName = fieldValue(child, QStringLiteral("name"), QStringLiteral("net_name"));
            for (const SExprNode& node : child.children) {
                if (node.head() != QLatin1String("node"))
                    continue;
                const QString ref = fieldValue(node, QStringLiteral("ref"));
                const QString pin = fieldValue(node, QStringLiteral("pin"), QStringLiteral("pin_number"));
                if (!ref.isEmpty() && !pin.isEmpty())
                    net.connectedPins.append(PadId(ref, pin));
            }
            if (!net.netName.isEmpty() && !net.connectedPins.isEmpty())
                out.connections.append(std::move(net));
        }
    }
    return !out.components.isEmpty();
}

} // namespace EarlierReader

double millisecondsOf(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

QStringList realNetlistTexts()
{
    QStringList texts;
    const QDir dir(QStringLiteral(VTQ_BENCH_DATA_DIR "/netlists"));
    for (const QString& name : dir.entryList({QStringLiteral("*.net")})) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            texts << QString::fromUtf8(file.readAll());
    }
    return texts;
}

// Ours against the earlier reader, in the same run on the same decoded texts.
// Arg 0: the real netlists (each read 20 times per pass); arg 1: the large synthetic one.
static void BM_NetlistReaderVsEarlier(benchmark::State& state)
{
    QStringList texts;
    int repeats = 1;
    if (state.range(0) == 0) {
        texts = realNetlistTexts();
        repeats = 20;
    } else {
        QFile file(fixture().path);
        file.open(QIODevice::ReadOnly);
        texts << QString::fromUtf8(file.readAll());
    }
    double ours = 0.0;
    double earlier = 0.0;
    for (auto _ : state) {
        ours += millisecondsOf([&] {
            for (int r = 0; r < repeats; ++r)
                for (const QString& text : texts) {
                    Netlist netlist;
                    benchmark::DoNotOptimize(parseKiCadSExpression(text, netlist));
                }
        });
        earlier += millisecondsOf([&] {
            for (int r = 0; r < repeats; ++r)
                for (const QString& text : texts) {
                    Netlist netlist;
                    benchmark::DoNotOptimize(EarlierReader::parse(text, netlist));
                }
        });
    }
    state.counters["netlists"] = double(texts.size());
    state.counters["ours_ms"] = ours / double(state.iterations());
    state.counters["earlier_ms"] = earlier / double(state.iterations());
    state.counters["ratio"] = ours / earlier;
}
BENCHMARK(BM_NetlistReaderVsEarlier)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// "Update from netlist" on a netlist of 250k nets and 1M nodes against 2,000 tracks: the
// comparison against the parse of the same netlist.
QByteArray hugeNetlist(int nets, int nodesPerNet, int components)
{
    QByteArray text;
    text.reserve(qsizetype(nets) * nodesPerNet * 40 + components * 80);
    text += "(export (version \"E\")\n  (components\n";
    for (int i = 0; i < components; ++i)
        text += "    (comp (ref \"U" + QByteArray::number(i) + "\") (value \"X\") (footprint \"L:F\"))\n";
    text += "  )\n  (nets\n";
    for (int n = 0; n < nets; ++n) {
        text += "    (net (code \"" + QByteArray::number(n + 1) + "\") (name \"/N" + QByteArray::number(n) + "\")\n";
        for (int k = 0; k < nodesPerNet; ++k) {
            const int pin = n * nodesPerNet + k;
            text += "      (node (ref \"U" + QByteArray::number(pin % components) + "\") (pin \""
                + QByteArray::number(pin / components + 1) + "\"))\n";
        }
        text += "    )\n";
    }
    text += "  )\n)\n";
    return text;
}

static void BM_NetlistUpdateVsParse(benchmark::State& state)
{
    constexpr int kUpdateNets = 250000;
    constexpr int kNodesPerNet = 4;
    constexpr int kParts = 20000;
    constexpr int kTracks = 2000;
    const QString text = QString::fromUtf8(hugeNetlist(kUpdateNets, kNodesPerNet, kParts));
    Netlist netlist;
    double parse = 0.0;
    double update = 0.0;
    for (auto _ : state) {
        parse += millisecondsOf([&] { parseKiCadSExpression(text, netlist); });
        QMap<QString, QString> footprints;
        for (auto it = netlist.components.cbegin(); it != netlist.components.cend(); ++it)
            footprints.insert(it.key(), it.value().footprint);
        // Tracks between the last pins of the list: a scan would walk nearly every node.
        QList<Route> routes;
        for (int t = 0; t < kTracks; ++t) {
            const NetlistNet& net = netlist.connections.at(netlist.connections.size() - 1 - t);
            Route route;
            route.id = quint64(t + 1);
            route.netName = net.netName;
            route.startRef = net.connectedPins.at(0).ref;
            route.startPad = net.connectedPins.at(0).pad;
            route.endRef = net.connectedPins.at(1).ref;
            route.endPad = net.connectedPins.at(1).pad;
            routes.append(route);
        }
        NetlistUpdate result;
        update += millisecondsOf(
            [&] { computeNetlistUpdate(result, footprints, footprints, netlist.connections, routes); });
        if (!result.staleTrackEnds.isEmpty())
            state.SkipWithError("tracks reported stale");
    }
    state.counters["nets"] = kUpdateNets;
    state.counters["nodes"] = double(kUpdateNets) * kNodesPerNet;
    state.counters["tracks"] = kTracks;
    state.counters["parse_ms"] = parse / double(state.iterations());
    state.counters["update_ms"] = update / double(state.iterations());
    state.counters["update_over_parse"] = update / parse;
}
BENCHMARK(BM_NetlistUpdateVsParse)->Unit(benchmark::kMillisecond)->Iterations(1);

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
