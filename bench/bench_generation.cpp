// Generating the 3D components of designs of real size (189 components and 486 nets, 756 and
// 1,944) with KiCad's library, footprints read cold: in the window (board explorer shown, real
// 3D view; needs an X server), at the library level (component manager on a view-less
// context), and the floor: the same footprint files read with a minimal pad reader, bare body
// and pad boxes built (each distinct pad solid once, placed through a location) and displayed
// on a view-less context. Two kinds of design: every footprint found, and half of the
// components naming footprints found nowhere. Each benchmark prints its ratio: window /
// library, library / floor.
#include "benchmain.h"
#include "benchwindow.h"
#include "componenttestrig.h"
#include "mainwindowprobe.h"

#include "app/boardexplorerpanel.h"

#include "components/componentmanager.h"
#include "view/occwidget.h"
#include "components/footprintmanager.h"
#include "components/padcachemanager.h"
#include "model/netlist.h"
#include "project/projectmanager.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_Shape.hxx>
#include <Aspect_DisplayConnection.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <OpenGl_GraphicDriver.hxx>
#include <V3d_View.hxx>
#include <V3d_Viewer.hxx>
#include <gp_Ax2.hxx>
#include <gp_Quaternion.hxx>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

const QString kRoot = QStringLiteral("/usr/share/kicad/footprints");

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// The floor and the designs need the files' paths: found by exact name, outside the timing.
const QHash<QString, QString>& filesByName()
{
    static QHash<QString, QString> files;
    if (files.isEmpty()) {
        QDirIterator it(kRoot, {QStringLiteral("*.kicad_mod")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files.insert(QFileInfo(path).completeBaseName(), path);
        }
    }
    return files;
}

// Every footprint the real netlists name that KiCad's library holds under that very name, in
// their order, each once (the netlists name a few footprints KiCad has renamed since).
QStringList realFootprints()
{
    const QHash<QString, QString>& files = filesByName();
    QStringList names;
    const QDir dir(QStringLiteral(VTQ_BENCH_DATA_DIR "/netlists"));
    for (const QString& file : dir.entryList({QStringLiteral("*.net")})) {
        Netlist netlist;
        QString error;
        if (!ProjectManager::loadNetlist(dir.filePath(file), netlist, error))
            continue;
        for (const NetlistComponent& component : netlist.components)
            if (files.contains(FootprintManager::normalizeFootprintName(component.footprint))
                && !names.contains(component.footprint))
                names << component.footprint;
    }
    return names;
}

// count components cycling through the real footprints; with missing, every other one names
// one of 40 footprints that no library holds. As many nets as real boards have for that many
// components (18 for 7), each joining pads 1 and 2 of two components; every other net has a
// hierarchical name longer than the board explorer's column, which wraps.
Netlist design(int count, bool missing)
{
    static const QStringList footprints = realFootprints();
    Netlist netlist;
    for (int i = 0; i < count; ++i) {
        NetlistComponent component;
        component.ref = QStringLiteral("U%1").arg(i + 1);
        component.footprint = missing && i % 2 == 1
            ? QStringLiteral("Vendor_Parts:QX%1_Custom_Package").arg(i % 40)
            : footprints.at(i % footprints.size());
        component.pins.insert(QStringLiteral("1"), {QStringLiteral("1"), QString()});
        component.pins.insert(QStringLiteral("2"), {QStringLiteral("2"), QString()});
        netlist.components.insert(component.ref, component);
    }
    const int nets = count * 18 / 7;
    for (int k = 0; k < nets; ++k) {
        NetlistNet net;
        net.netName = k % 2 == 0 ? QStringLiteral("/power_stage/channel_%1/VREF_DIVIDER_SENSE_%2").arg(k % 12).arg(k)
                                 : QStringLiteral("N%1").arg(k);
        const QString pad = QString::number(k % 2 + 1);
        net.connectedPins << PadId(QStringLiteral("U%1").arg(k % count + 1), pad)
                          << PadId(QStringLiteral("U%1").arg((k * 7 + 3) % count + 1), pad);
        netlist.connections.append(net);
    }
    return netlist;
}

// The component manager on a view-less context, pads fed to the pad index as the window does,
// over KiCad's library.
struct LibraryScene : ComponentTest::Rig
{
    LibraryScene()
    {
        // Shown as the window shows them: shaded.
        context->SetDisplayMode(AIS_Shaded, false);
        footprints.addSearchPath(kRoot);
        footprints.buildFootprintIndex();
    }
};

double libraryGeneration(const Netlist& netlist)
{
    LibraryScene scene;
    QElapsedTimer timer;
    timer.start();
    scene.manager.generateComponents(netlist.components);
    return double(timer.nsecsElapsed()) / 1e6;
}

// The floor's pad reader: at, size and the copper layers of each "(pad" block, nothing else.
struct BarePad
{
    double x = 0, y = 0, rotation = 0, width = 0, height = 0;
    bool circle = false;
};

bool numbersAfter(const QByteArray& block, const char* tag, double* out, int wanted, int& got)
{
    const qsizetype at = block.indexOf(tag);
    got = 0;
    if (at < 0)
        return false;
    const char* p = block.constData() + at + qstrlen(tag);
    while (got < wanted) {
        char* end = nullptr;
        const double value = std::strtod(p, &end);
        if (end == p)
            break;
        out[got++] = value;
        p = end;
    }
    return got >= 2;
}

QList<BarePad> readBarePads(const QByteArray& text)
{
    QList<BarePad> pads;
    for (qsizetype start = text.indexOf("(pad "); start >= 0; start = text.indexOf("(pad ", start + 5)) {
        int depth = 0;
        qsizetype end = start;
        for (; end < text.size(); ++end) {
            if (text.at(end) == '(')
                ++depth;
            else if (text.at(end) == ')' && --depth == 0)
                break;
        }
        const QByteArray block = text.mid(start, end - start);
        if (!block.contains(".Cu"))
            continue;
        BarePad pad;
        double at[3] = {0, 0, 0};
        double size[2] = {0, 0};
        int got = 0;
        if (!numbersAfter(block, "(at ", at, 3, got))
            continue;
        pad.rotation = got > 2 ? at[2] : 0.0;
        if (!numbersAfter(block, "(size ", size, 2, got))
            continue;
        pad.x = at[0];
        pad.y = -at[1];
        pad.width = size[0];
        pad.height = size[1];
        pad.circle = block.contains(" circle ");
        pads.append(pad);
    }
    return pads;
}

// Bare solids: one box for the body, one box (or cylinder) per distinct pad, placed by location.
struct FloorScene
{
    opencascade::handle<AIS_InteractiveContext> context = ComponentTest::makeHeadlessContext();
    // Kept from run to run, as the program keeps its meshed pad solids.
    static inline QHash<QString, TopoDS_Shape> padSolids;
    QList<opencascade::handle<AIS_Shape>> shown;

    // One body per footprint, placed through a location as the program places its bodies.
    QHash<const void*, TopoDS_Shape> bodies;

    void place(const QList<BarePad>& pads, const gp_Pnt& at, bool substitute)
    {
        TopoDS_Shape& body = bodies[substitute ? nullptr : static_cast<const void*>(pads.constData())];
        if (body.IsNull() || substitute) {
            double minX = -2.5, maxX = 2.5, minY = -2.5, maxY = 2.5;
            if (!substitute) {
                minX = minY = 1e300;
                maxX = maxY = -1e300;
            }
            for (const BarePad& pad : pads) {
                minX = std::min(minX, pad.x - pad.width / 2);
                maxX = std::max(maxX, pad.x + pad.width / 2);
                minY = std::min(minY, pad.y - pad.height / 2);
                maxY = std::max(maxY, pad.y + pad.height / 2);
            }
            body = BRepPrimAPI_MakeBox(gp_Pnt(minX - 1, minY - 1, 0), maxX - minX + 2, maxY - minY + 2, 3.0).Shape();
        }
        gp_Trsf bodyMove;
        bodyMove.SetTranslation(gp_Vec(at.X(), at.Y(), at.Z()));
        show(body.Moved(TopLoc_Location(bodyMove)));
        for (const BarePad& pad : pads) {
            const QString key = QStringLiteral("%1|%2|%3|%4").arg(pad.circle).arg(pad.width).arg(pad.height).arg(pad.rotation);
            TopoDS_Shape& solid = padSolids[key];
            if (solid.IsNull()) {
                if (pad.circle) {
                    solid = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, -1.0), gp::DZ()), pad.width / 2, 1.4).Shape();
                } else {
                    gp_Trsf turn;
                    turn.SetRotation(gp_Ax1(gp::Origin(), gp::DZ()), pad.rotation * M_PI / 180.0);
                    solid = BRepPrimAPI_MakeBox(gp_Pnt(-pad.width / 2, -pad.height / 2, -1.0), pad.width, pad.height, 1.4)
                                .Shape()
                                .Moved(TopLoc_Location(turn));
                }
            }
            gp_Trsf move;
            move.SetTranslation(gp_Vec(at.X() + pad.x, at.Y() + pad.y, at.Z()));
            show(solid.Moved(TopLoc_Location(move)));
        }
    }

    void show(const TopoDS_Shape& shape)
    {
        opencascade::handle<AIS_Shape> object = new AIS_Shape(shape);
        context->Display(object, false);
        shown << object;
    }
};

double floorGeneration(const Netlist& netlist)
{
    const QHash<QString, QString>& files = filesByName();
    FloorScene scene;
    QHash<QString, QList<BarePad>> read;
    QElapsedTimer timer;
    timer.start();
    int i = 0;
    for (const NetlistComponent& component : netlist.components) {
        const QString name = FootprintManager::normalizeFootprintName(component.footprint);
        auto known = read.constFind(name);
        if (known == read.constEnd()) {
            QList<BarePad> pads;
            const QString path = files.value(name);
            QFile file(path);
            if (!path.isEmpty() && file.open(QIODevice::ReadOnly))
                pads = readBarePads(file.readAll());
            known = read.insert(name, pads);
        }
        scene.place(known.value(), gp_Pnt(i * 7.0, 0, 5.1), known.value().isEmpty());
        ++i;
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

// Arg 0: components; arg 1: 1 when half of them name missing footprints.
void BM_GenerationLibraryVsFloor(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    const Netlist netlist = design(int(state.range(0)), state.range(1) != 0);
    double ours = 0.0;
    double floor = 0.0;
    for (auto _ : state) {
        ours += libraryGeneration(netlist);
        floor += floorGeneration(netlist);
    }
    state.counters["components"] = double(netlist.components.size());
    state.counters["library_ms"] = ours / double(state.iterations());
    state.counters["floor_ms"] = floor / double(state.iterations());
    state.counters["ratio"] = ours / floor;
}
BENCHMARK(BM_GenerationLibraryVsFloor)
    ->ArgsProduct({{189, 756}, {0, 1}})
    ->ArgNames({"components", "missing"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

class DialogClock : public QObject
{
public:
    double openMs = 0.0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (qobject_cast<QDialog*>(watched)) {
            if (event->type() == QEvent::Show)
                m_open.start();
            else if (event->type() == QEvent::Hide && m_open.isValid()) {
                openMs += double(m_open.nsecsElapsed()) / 1e6;
                m_open.invalidate();
            }
        }
        return false;
    }

private:
    QElapsedTimer m_open;
};

// The window's generation: the click's work and the pending events it leaves (board explorer
// columns, redraw). The dialog listing missing footprints is closed as soon as it shows.
void BM_GenerationWindowVsLibrary(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    const Netlist netlist = design(int(state.range(0)), state.range(1) != 0);
    MainWindow window;
    MainWindowProbe probe(window);
    window.resize(1400, 900);
    window.show();
    if (!waitFor([&] { return probe.viewerReady(); })) {
        state.SkipWithError("viewer not ready");
        return;
    }
    probe.boardExplorer()->show();
    QTimer closer;
    closer.setInterval(0);
    QObject::connect(&closer, &QTimer::timeout, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        // The progress window's Cancel would stop the generation itself.
        if (dialog && dialog->objectName() != QLatin1String("progressWindow"))
            dialog->reject();
    });
    // The longest the window's thread goes without events while generating, in its own CPU time
    // and in wall time: ticks run only when it lets events through.
    StretchClock stretch;
    closer.start();
    // The time a dialog stands open is the user's, not the generation's: it is left out.
    DialogClock dialogs;
    qApp->installEventFilter(&dialogs);

    const auto prepare = [&] {
        probe.componentManager()->clearAll(true);
        probe.footprints().clearSearchPaths();
        probe.footprints().addSearchPath(kRoot);
        probe.footprints().buildFootprintIndex();
        Netlist copy = netlist;
        probe.project().setNetlist(std::move(copy));
        QCoreApplication::processEvents();
    };
    // The first scene a session draws also builds the view's shader programs, once: a run
    // before the timed ones.
    prepare();
    window.generateComponents();
    QCoreApplication::processEvents();
    std::vector<double> ratios; // each run against the library's run beside it

    double ours = 0.0;
    double library = 0.0;
    double dialogMs = 0.0;
    double redrawMs = 0.0;
    double clickMs = 0.0; // the slot itself, before the events it leaves
    for (auto _ : state) {
        state.PauseTiming();
        prepare();
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        dialogs.openMs = 0.0;
        stretch.begin();
        window.generateComponents();
        clickMs += double(timer.nsecsElapsed()) / 1e6 - dialogs.openMs;
        QCoreApplication::processEvents();
        const double windowMs = double(timer.nsecsElapsed()) / 1e6 - dialogs.openMs;
        stretch.end();
        ours += windowMs;
        dialogMs += dialogs.openMs;
        // The floor of what the window adds: one redraw of the scene it now shows.
        QElapsedTimer redraw;
        redraw.start();
        probe.occWidget()->view()->Redraw();
        redrawMs += double(redraw.nsecsElapsed()) / 1e6;
        const double libraryMs = libraryGeneration(netlist);
        library += libraryMs;
        ratios.push_back(windowMs / libraryMs);
    }
    state.counters["components"] = double(netlist.components.size());
    state.counters["nets"] = double(netlist.connections.size());
    state.counters["board_rows"] = probe.boardExplorer()->componentTable()->rowCount();
    state.counters["window_ms"] = ours / double(state.iterations());
    state.counters["library_ms"] = library / double(state.iterations());
    state.counters["dialog_ms"] = dialogMs / double(state.iterations());
    state.counters["slot_ms"] = clickMs / double(state.iterations());
    state.counters["redraw_ms"] = redrawMs / double(state.iterations());
    state.counters["ratio"] = ours / library;
    // The machines are noisy: the middle of the runs' own ratios.
    std::sort(ratios.begin(), ratios.end());
    state.counters["median_ratio"] = ratios.empty() ? 0.0 : ratios[ratios.size() / 2];
    // The click alone, without the first drawing of the new scene that the library never does.
    state.counters["slot_ratio"] = clickMs / library;
    state.counters["stretch_ms"] = stretch.longestMs();
    state.counters["stretch_cpu_ms"] = stretch.longestCpuMs();
    state.counters["stretch_share"] = stretch.longestMs() / (ours / double(state.iterations()));
    qApp->removeEventFilter(&dialogs);
}
BENCHMARK(BM_GenerationWindowVsLibrary)
    ->ArgsProduct({{189, 756}, {0, 1}})
    ->ArgNames({"components", "missing"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(7);

} // namespace

int main(int argc, char** argv)
{
    // The window reads and writes its settings: never the user's own.
    QStandardPaths::setTestModeEnabled(true);
    return runBenchmarks<QApplication>(argc, argv);
}
