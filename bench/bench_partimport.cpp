// Part import: STL meshes of about 1,000, 10,000 and 100,000 triangles (a tessellated torus
// written by OCCT), the sewing reference on the smaller ones, and a STEP part of a few
// hundred faces (about 500), and the STEP scan's speed on big files beside a plain read. Peak memory, one fresh process per size: "bench_partimport --make <triangles>
// <file> [knot|sphere|slivers]" writes the mesh (a torus without a kind), then "bench_partimport --peak <file> [sewing]" imports it once and
// prints the resident-set high-water mark (getrusage ru_maxrss) before and after the import.
//
// BM_StlAgainstSlicer: the slicer's own load ("prusa-slicer --info", when installed) and this
// import, each in a fresh process, on the same binary STL: a torus knot, a sphere whose seam
// and pole points are a rounding error apart, and a knot half made of slivers, at 10k, 100k
// and 1M triangles. Reported: both times, their ratio, both peaks and the peak per triangle.
#include "foundation/geometryutils.h"
#include "foundation/meshgrid.h"
#include "foundation/meshselfcrossing.h"
#include "foundation/jobs.h"
#include "foundation/occutils.h"
#include "foundation/stepimporter.h"
#include "foundation/stlimporter.h"
#include "foundation/stlmesh.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <BRepAlgoAPI_Cut.hxx>
#include <Bnd_Box.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeTorus.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressScope.hxx>
#include <Poly_Triangulation.hxx>
#include <STEPControl_Writer.hxx>
#include <StlAPI_Writer.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>

#include <benchmark/benchmark.h>
#include <tbb/global_control.h>

#include "meshshapes.h"

#include <sys/resource.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <time.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <vector>
#include <map>

namespace {

QTemporaryDir& workDir()
{
    static QTemporaryDir dir;
    return dir;
}

int triangleCount(const TopoDS_Shape& shape)
{
    int n = 0;
    for (TopExp_Explorer ex(shape, TopAbs_FACE); ex.More(); ex.Next()) {
        TopLoc_Location location;
        const Handle(Poly_Triangulation) t = BRep_Tool::Triangulation(TopoDS::Face(ex.Current()), location);
        if (!t.IsNull())
            n += t->NbTriangles();
    }
    return n;
}

// A closed torus (R 40, r 12 mm) tessellated to roughly the wanted number of triangles.
QString torusStl(int wanted, bool ascii = false)
{
    static std::map<std::pair<int, bool>, QString> cache;
    if (cache.count({wanted, ascii}))
        return cache[{wanted, ascii}];
    double deflection = 0.5;
    TopoDS_Shape torus;
    for (int attempt = 0; attempt < 12; ++attempt) {
        torus = BRepPrimAPI_MakeTorus(40.0, 12.0).Shape();
        BRepMesh_IncrementalMesh(torus, deflection, false, 0.5, false);
        const int n = triangleCount(torus);
        if (std::abs(n - wanted) < wanted / 10)
            break;
        deflection *= double(n) / wanted;
    }
    const QString path = workDir().filePath(QString("torus_%1%2.stl").arg(wanted).arg(ascii ? "_ascii" : ""));
    StlAPI_Writer writer;
    writer.ASCIIMode() = ascii;
    writer.Write(torus, path.toUtf8().constData());
    cache[{wanted, ascii}] = path;
    return path;
}

// A plate drilled with a grid of holes and pockets: about 500 faces.
QString drilledPlateStep()
{
    static QString path;
    if (!path.isEmpty())
        return path;
    TopoDS_Shape plate = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 120.0, 120.0, 6.0).Shape();
    TopoDS_Compound holes;
    BRep_Builder builder;
    builder.MakeCompound(holes);
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j)
            builder.Add(holes, BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(10 + 11 * i, 10 + 11 * j, -1), gp::DZ()),
                                                        3.0, 8.0)
                                   .Shape());
    // Square pockets between the holes, open at the top: five faces each.
    for (int i = 0; i < 9; ++i)
        for (int j = 0; j < 9; ++j)
            builder.Add(holes, BRepPrimAPI_MakeBox(gp_Pnt(14 + 11 * i, 14 + 11 * j, 4.0), 3.0, 3.0, 3.0).Shape());
    plate = BRepAlgoAPI_Cut(plate, holes).Shape();
    path = workDir().filePath("plate.step");
    STEPControl_Writer writer;
    writer.Transfer(plate, STEPControl_AsIs);
    writer.Write(path.toUtf8().constData());
    return path;
}

void runStlImport(benchmark::State& state, StlImportResult (*import)(const QString&, double), bool ascii = false)
{
    const QString path = torusStl(int(state.range(0)), ascii);
    StlImportResult r;
    for (auto _ : state) {
        r = import(path, -1.0);
        benchmark::DoNotOptimize(r.shape);
    }
    state.counters["triangles"] = r.triangleCount;
    state.counters["faces"] = r.faceCount;
    state.counters["valid"] = r.valid && r.closed && r.solidBuilt;
}

void BM_StlImport(benchmark::State& state)
{
    runStlImport(state, [](const QString& path, double tolerance) { return StlImporter::importStl(path, tolerance); });
}
BENCHMARK(BM_StlImport)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_StlImportAscii(benchmark::State& state)
{
    runStlImport(state, [](const QString& path, double tolerance) { return StlImporter::importStl(path, tolerance); }, true);
}
BENCHMARK(BM_StlImportAscii)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The sewing reference; 100,000 triangles take minutes that way, so only the smaller sizes.
void BM_StlImportBySewing(benchmark::State& state)
{
    runStlImport(state, &StlImporter::importStlBySewing);
}
BENCHMARK(BM_StlImportBySewing)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_StepImport(benchmark::State& state)
{
    const QString path = drilledPlateStep();
    int faces = 0;
    for (auto _ : state) {
        const StepImportResult r = StepImporter::importStep(path);
        faces = 0;
        for (const TopoDS_Shape& s : r.shapes)
            for (TopExp_Explorer ex(s, TopAbs_FACE); ex.More(); ex.Next())
                ++faces;
    }
    state.counters["faces"] = faces;
}
BENCHMARK(BM_StepImport)->Unit(benchmark::kMillisecond);

// The safety scan that every STEP import runs first (entity numbers and reference cycles);
// its cost on a normal import is this figure over BM_StepImport's, the same file, same run.
void BM_StepEntityCheck(benchmark::State& state)
{
    const QString path = drilledPlateStep();
    bool ok = false;
    for (auto _ : state)
        ok = StepImporter::checkFile(path).sound;
    state.counters["ok"] = ok;
    state.counters["bytes"] = double(QFileInfo(path).size());
}
BENCHMARK(BM_StepEntityCheck)->Unit(benchmark::kMillisecond);

// A big STEP file for the scan: the drilled plate with its data section grown to about
// `megabytes` by points nothing refers to (0), or by zeros a sparse file holds (1).
QString bigStep(int megabytes, bool zeros)
{
    const QString path = workDir().filePath(QStringLiteral("big-%1-%2.step").arg(megabytes).arg(zeros ? "zeros" : "points"));
    if (QFileInfo::exists(path))
        return path;
    QFile plate(drilledPlateStep());
    plate.open(QIODevice::ReadOnly);
    const QByteArray whole = plate.readAll();
    const qsizetype end = whole.lastIndexOf("ENDSEC;");
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(whole.left(end));
    const qint64 target = qint64(megabytes) << 20;
    if (zeros) {
        out.resize(out.size() + target);
        out.seek(out.size());
    } else {
        QByteArray block;
        for (qint64 n = 1000000; out.size() < target; ++n) {
            block += "#" + QByteArray::number(n) + " = CARTESIAN_POINT('',(" + QByteArray::number(n % 977) + ".25,-3.5,"
                + QByteArray::number(n % 113) + ".125));\n";
            if (block.size() > (1 << 20)) {
                out.write(block);
                block.clear();
            }
        }
        out.write(block);
    }
    out.write(whole.mid(end));
    return path;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + 1e-6 * double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// The scan's speed beside its floor, a plain read of the same file in the same blocks, each
// iteration reading both: a scan far slower than the read (129 s for 2 GB of zeros before)
// would show as the ratio. Arg: 256 MB of points, or 1 GB of zeros inside the data section.
void BM_StepScanSpeed(benchmark::State& state)
{
    const bool zeros = state.range(0) == 1;
    const QString path = bigStep(zeros ? 1024 : 256, zeros);
    const double megabytes = double(QFileInfo(path).size()) / (1 << 20);
    double readSeconds = 0.0;
    double scanSeconds = 0.0;
    double scanCpu = 0.0;
    bool sound = false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QElapsedTimer clock;
        clock.start();
        while (file.read(block.data(), block.size()) > 0) {
        }
        readSeconds += clock.nsecsElapsed() * 1e-9;
        const double cpu = cpuSeconds();
        clock.restart();
        sound = StepImporter::checkFile(path).sound;
        scanSeconds += clock.nsecsElapsed() * 1e-9;
        scanCpu += cpuSeconds() - cpu;
    }
    const double runs = double(state.iterations());
    state.counters["MB"] = megabytes;
    state.counters["sound"] = sound;
    state.counters["read_MBps"] = megabytes * runs / readSeconds;
    state.counters["scan_MBps"] = megabytes * runs / scanSeconds;
    state.counters["scan_cpu_s"] = scanCpu / runs;
    state.counters["ratio"] = scanSeconds / readSeconds;
}
BENCHMARK(BM_StepScanSpeed)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// A sound part with 2 GB of zeros past its end mark (a sparse file) beside the same part
// without them, same run: the padding is never read, so the ratio stays near 1.
void BM_StepImportPaddedPastTheEnd(benchmark::State& state)
{
    const QString plain = drilledPlateStep();
    const QString padded = workDir().filePath(QStringLiteral("padded.step"));
    if (!QFileInfo::exists(padded)) {
        QFile::copy(plain, padded);
        QFile file(padded);
        file.open(QIODevice::ReadWrite);
        file.resize(file.size() + (qint64(2) << 30));
    }
    double plainSeconds = 0.0;
    double paddedSeconds = 0.0;
    bool ok = true;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        ok = StepImporter::importStep(plain).status == StepImportResult::Ok && ok;
        plainSeconds += clock.nsecsElapsed() * 1e-9;
        clock.restart();
        ok = StepImporter::importStep(padded).status == StepImportResult::Ok && ok;
        paddedSeconds += clock.nsecsElapsed() * 1e-9;
    }
    state.counters["ok"] = ok;
    state.counters["plain_s"] = plainSeconds / double(state.iterations());
    state.counters["padded_s"] = paddedSeconds / double(state.iterations());
    state.counters["ratio"] = paddedSeconds / plainSeconds;
}
BENCHMARK(BM_StepImportPaddedPastTheEnd)->Unit(benchmark::kMillisecond)->Iterations(3);

long maxRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

enum class Shape { Knot, Sphere, Slivers };

QString generatedStl(Shape shape, int wanted)
{
    static std::map<std::pair<int, int>, QString> cache;
    const std::pair<int, int> key{int(shape), wanted};
    if (cache.count(key))
        return cache[key];
    const MeshShapes::Soup soup = shape == Shape::Sphere ? MeshShapes::nearWeldedSphere(wanted)
                                                          : MeshShapes::torusKnot(wanted, shape == Shape::Slivers);
    const QString path = workDir().filePath(QString("shape%1_%2.stl").arg(int(shape)).arg(wanted));
    if (!MeshShapes::writeBinaryStl(path, soup))
        return QString();
    cache[key] = path;
    return path;
}

QString writtenSoup(const char* name, const MeshShapes::Soup& soup)
{
    const QString path = workDir().filePath(QString("%1_%2.stl").arg(name).arg(soup.size()));
    return MeshShapes::writeBinaryStl(path, soup) ? path : QString();
}

MeshShapes::Soup copies(const MeshShapes::Soup& soup, int count)
{
    MeshShapes::Soup all;
    for (int i = 0; i < count; ++i)
        all.insert(all.end(), soup.begin(), soup.end());
    return all;
}

// A fine sphere of about `wanted` triangles and a coarse one, ten times larger, far beside it.
MeshShapes::Soup fineAndCoarse(int wanted)
{
    MeshShapes::Soup both = MeshShapes::nearWeldedSphere(wanted, 50.0);
    const MeshShapes::Soup coarse = MeshShapes::moved(MeshShapes::spikedSphere(1, 500.0, 0.0), gp_XYZ(1500, 0, 0));
    both.insert(both.end(), coarse.begin(), coarse.end());
    return both;
}

struct ChildRun
{
    bool ok = false;
    double seconds = 0.0;
    double cpuSeconds = 0.0; // user and system, all its threads
    long peakKb = 0;
    std::string output;
};

// The resident-set high-water mark of a running process, in kB (0 once it is gone). Read
// from /proc rather than from wait4: ru_maxrss carries over an exec, so a child forked from
// this (large) process would report this process's peak.
long highWaterKb(pid_t pid)
{
    QFile status(QString("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

// Runs a program to its end, its output captured; wall time and its peak, sampled every few
// milliseconds while it runs.
ChildRun runChild(const std::vector<std::string>& argv)
{
    ChildRun run;
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return run;
    // Spawned, not forked: the call returns once the program runs, so that no sample of
    // the peak is taken from the copy of this process before the exec.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return run;
    }
    // The outputs are a few lines: they wait in the pipe until the end.
    int status = 0;
    pid_t done = 0;
    rusage usage{};
    while ((done = wait4(pid, &status, WNOHANG, &usage)) == 0) {
        run.peakKb = std::max(run.peakKb, highWaterKb(pid));
        usleep(2000);
    }
    run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + 1e-6 * double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        run.output.append(buffer, std::size_t(n));
    close(pipeFds[0]);
    run.ok = done == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

std::string selfPath()
{
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, std::size_t(n)) : std::string();
}

double field(const std::string& text, const char* name)
{
    const std::size_t at = text.find(name);
    return at == std::string::npos ? -1.0 : std::atof(text.c_str() + at + std::strlen(name));
}

void BM_StlAgainstSlicer(benchmark::State& state)
{
    const auto shape = Shape(state.range(0));
    const QString path = generatedStl(shape, int(state.range(1)));
    ChildRun slicer, ours;
    for (auto _ : state) {
        slicer = runChild({"prusa-slicer", "--info", path.toStdString()});
        ours = runChild({selfPath(), "--peak", path.toStdString()});
        // The import alone, as timed inside its process.
        state.SetIterationTime(field(ours.output, "time=") / 1000.0);
    }
    static const char* names[] = {"knot", "near-welded sphere", "slivers"};
    state.SetLabel(names[int(shape)]);
    const double triangles = field(ours.output, "triangles=");
    const double importSeconds = field(ours.output, "time=") / 1000.0;
    state.counters["triangles"] = triangles;
    state.counters["valid"] = field(ours.output, "valid=");
    state.counters["import_s"] = importSeconds;
    state.counters["process_s"] = ours.seconds;
    state.counters["peak_MB"] = double(ours.peakKb) / 1024.0;
    state.counters["KB_per_tri"] = triangles > 0 ? double(ours.peakKb) / triangles : 0.0;
    if (slicer.ok) {
        state.counters["slicer_s"] = slicer.seconds;
        state.counters["slicer_peak_MB"] = double(slicer.peakKb) / 1024.0;
        // Process against process: both start, read the file and build their model.
        state.counters["ratio"] = ours.seconds / slicer.seconds;
        state.counters["import_ratio"] = importSeconds / slicer.seconds;
        state.counters["peak_ratio"] = double(ours.peakKb) / double(slicer.peakKb);
    } else {
        state.SetLabel(std::string(names[int(shape)]) + " (no slicer to compare with)");
    }
}
// Cancel during an STL import, pressed by a timer as a user would: a closed sphere of about
// 400,000 triangles (built directly; its shell check is too short to aim at) and an open one
// of about 89,000 (sewn, healed, checked), each Cancel a second after the start, a tenth of a
// second into a given stage, or at a share of the sewing's length, where OpenCASCADE's sewing
// sits in calls that never ask whether to stop. Reported: the import's own time (uncancelled,
// its progress watched, once per file in the same run; the sewing's length is read from it),
// the time from Cancel to the return, their ratio, the process CPU time of the cancelled run and
// the stage Cancel fell in.
class TimedCancel : public Message_ProgressIndicator
{
public:
    Standard_Boolean UserBreak() override { return m_cancelled.load(); }
    void Show(const Message_ProgressScope& scope, const Standard_Boolean) override
    {
        for (const Message_ProgressScope* s = &scope; s; s = s->Parent())
            if (s->Name() && std::strncmp(s->Name(), "STL ", 4) == 0) {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_stage = s->Name();
                m_firstSeen.emplace(m_stage, std::chrono::steady_clock::now());
                return;
            }
    }
    std::string stage()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_stage;
    }
    // The stage it fell in.
    std::string cancel()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_cancelled = true;
        return m_stage;
    }
    // When each stage was first shown.
    std::map<std::string, std::chrono::steady_clock::time_point> firstSeen()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_firstSeen;
    }

private:
    std::atomic<bool> m_cancelled{false};
    std::mutex m_mutex;
    std::string m_stage = "before any stage";
    std::map<std::string, std::chrono::steady_clock::time_point> m_firstSeen;
};

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

QString sphereStl(int wanted, bool open)
{
    const QString path = workDir().filePath(QString("sphere_%1_%2.stl").arg(wanted).arg(open ? "open" : "closed"));
    if (QFileInfo::exists(path))
        return path;
    MeshShapes::Soup soup = MeshShapes::nearWeldedSphere(wanted);
    if (open) { // a cap missing around the north pole, and every tenth triangle of the rest
        MeshShapes::Soup kept;
        for (std::size_t i = 0; i < soup.size(); ++i)
            if (i >= soup.size() / 20 && i % 10 != 3)
                kept.push_back(soup[i]);
        soup.swap(kept);
    }
    return MeshShapes::writeBinaryStl(path, soup) ? path : QString();
}

const char* const kCancelStages[] = {"", StlStage::kRead, StlStage::kShells, StlStage::kShellCheck,
                                     StlStage::kSewing, StlStage::kHealing, StlStage::kCheck};

// Where the sewing lies in an uncancelled import of the file: from its start, in seconds.
struct SewingSpan
{
    double start = 0.0;
    double length = 0.0;
};

// The meshes Cancel is pressed on: a closed sphere, an open one, a spiked sphere (its size the
// level of splits, where the search for crossings takes longest) and teeth crossing one another
// (their number along each side, where the union takes longest).
enum class CancelMesh { Closed, Open, Spiked, Teeth };

QString cancelStl(CancelMesh mesh, int size)
{
    switch (mesh) {
    case CancelMesh::Closed:
        return sphereStl(size, false);
    case CancelMesh::Open:
        return sphereStl(size, true);
    case CancelMesh::Spiked:
        return writtenSoup("cancel_spiked", MeshShapes::spikedSphere(size));
    case CancelMesh::Teeth:
        return writtenSoup("cancel_teeth", MeshShapes::crossingTeeth(size));
    }
    return QString();
}

void BM_StlCancel(benchmark::State& state)
{
    const auto mesh = CancelMesh(state.range(0));
    const bool open = mesh == CancelMesh::Open;
    const QString path = cancelStl(mesh, int(state.range(1)));
    const std::string target = kCancelStages[state.range(2)];
    const double intoSewing = double(state.range(3)) / 1000.0; // 0: a tenth of a second into the stage
    static std::map<QString, double> aloneSeconds;
    static std::map<QString, SewingSpan> sewingSpans;
    double latency = 0.0, cpu = 0.0;
    StlImportResult cancelled;
    std::string stage;
    SewingSpan span;
    for (auto _ : state) {
        if (!aloneSeconds.count(path)) {
            TimedCancel watching;
            const auto start = std::chrono::steady_clock::now();
            StlImporter::importStl(path, -1.0, watching.Start());
            aloneSeconds[path] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const auto seen = watching.firstSeen();
            if (seen.count(StlStage::kSewing) && seen.count(StlStage::kHealing)) {
                const auto from = seen.at(StlStage::kSewing);
                sewingSpans[path] = {std::chrono::duration<double>(from - start).count(),
                                     std::chrono::duration<double>(seen.at(StlStage::kHealing) - from).count()};
            }
        }
        span = sewingSpans.count(path) ? sewingSpans.at(path) : SewingSpan();
        TimedCancel indicator;
        std::chrono::steady_clock::time_point pressed;
        std::atomic<bool> finished{false};
        const auto started = std::chrono::steady_clock::now();
        std::thread user([&] {
            const auto waitUntil = [&](std::chrono::steady_clock::time_point until) {
                while (!finished && std::chrono::steady_clock::now() < until)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            };
            const auto after = [](double seconds) {
                return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                    std::chrono::duration<double>(seconds));
            };
            if (target.empty()) {
                waitUntil(started + std::chrono::seconds(1));
            } else {
                while (!finished && indicator.stage() != target)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                if (intoSewing > 0.0)
                    waitUntil(started + after(span.start + intoSewing * span.length));
                else
                    waitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(100));
            }
            pressed = std::chrono::steady_clock::now();
            stage = indicator.cancel();
        });
        const double cpuStart = processCpuSeconds();
        cancelled = StlImporter::importStl(path, -1.0, indicator.Start());
        const auto returned = std::chrono::steady_clock::now();
        cpu = processCpuSeconds() - cpuStart;
        finished = true;
        user.join();
        latency = std::chrono::duration<double>(returned - pressed).count();
        state.SetIterationTime(std::max(latency, 0.0));
    }
    const double alone = aloneSeconds[path];
    std::string at = stage;
    if (intoSewing > 0.0)
        at += " at " + std::to_string(state.range(3) / 10) + " % of its length ("
              + std::to_string(int(span.length * 1000.0)) + " ms)";
    static const char* names[] = {"closed sphere", "open sphere", "spiked sphere", "crossing teeth"};
    state.SetLabel(std::string(names[int(mesh)]) + ", Cancel in " + at
                   + (cancelled.cancelled ? "" : " (NOT cancelled: the import ended first)"));
    state.counters["import_s"] = alone;
    state.counters["cancel_to_return_s"] = latency;
    state.counters["latency_per_import"] = alone > 0.0 ? latency / alone : 0.0;
    state.counters["cancelled_run_cpu_s"] = cpu;
}
BENCHMARK(BM_StlCancel)
    ->Args({0, 408000, 0, 0})
    ->Args({0, 408000, 1, 0})
    ->Args({0, 408000, 2, 0})
    ->Args({1, 89000, 0, 0})
    ->Args({1, 89000, 4, 0})
    ->ArgsProduct({{1}, {89000}, {4}, {100, 300, 500, 700, 900}})
    ->Args({1, 89000, 5, 0})
    ->Args({1, 89000, 6, 0})
    ->Args({2, 6, 2, 0})
    ->Args({3, 10, 2, 0})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The checks of a closed mesh (the grid, and the search for triangles passing through one
// another) on a closed sphere and a torus knot of about 360,000 triangles, against the whole import of the same
// file in the same run, and against themselves held to one thread. The checks are to stay
// within a tenth of the import's processor time. Their system time and page faults beside: the
// import has just given its memory back, and the checks pay to touch theirs anew.
void BM_StlSelfCrossingCheck(benchmark::State& state)
{
    const bool knot = state.range(1) != 0;
    const QString path = knot ? generatedStl(Shape::Knot, int(state.range(0))) : sphereStl(int(state.range(0)), false);
    StlImportResult read;
    StlMesh mesh;
    readStlMesh(path, read, mesh);
    Bnd_Box box;
    for (const gp_XYZ& n : mesh.nodes)
        box.Add(gp_Pnt(n));
    const double tolerance = StlImporter::automaticSewingTolerance(box);
    weldStlMesh(mesh, tolerance);
    const std::vector<int> oneShell(mesh.triangles.size(), 0);
    double checkSys = 0.0, checkFaults = 0.0, oneThreadFaults = 0.0;
    double importWall = 0.0, importCpu = 0.0, checkWall = 0.0, checkCpu = 0.0, oneThreadWall = 0.0, oneThreadCpu = 0.0;
    bool crosses = true, valid = false, same = false;
    const auto check = [&] {
        const MeshGrid grid(mesh, 0.0);
        return findCrossings(mesh, oneShell, grid, tolerance).self;
    };
    // Work a Cancel left to end alone in an earlier benchmark would count in this process's time.
    Jobs::waitForAll();
    for (auto _ : state) {
        double cpu = processCpuSeconds();
        auto start = std::chrono::steady_clock::now();
        const StlImportResult r = StlImporter::importStl(path);
        importWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        importCpu = processCpuSeconds() - cpu;
        valid = r.valid && r.solidBuilt;
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        cpu = processCpuSeconds();
        start = std::chrono::steady_clock::now();
        const SelfCrossing verdict = check();
        checkWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        checkCpu = processCpuSeconds() - cpu;
        getrusage(RUSAGE_SELF, &after);
        checkSys = double(after.ru_stime.tv_sec - before.ru_stime.tv_sec)
            + 1e-6 * double(after.ru_stime.tv_usec - before.ru_stime.tv_usec);
        checkFaults = double(after.ru_minflt - before.ru_minflt);
        crosses = verdict != SelfCrossing::None;
        const tbb::global_control oneThread(tbb::global_control::max_allowed_parallelism, 1);
        getrusage(RUSAGE_SELF, &before);
        cpu = processCpuSeconds();
        start = std::chrono::steady_clock::now();
        same = check() == verdict;
        oneThreadWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        oneThreadCpu = processCpuSeconds() - cpu;
        getrusage(RUSAGE_SELF, &after);
        oneThreadFaults = double(after.ru_minflt - before.ru_minflt);
    }
    state.counters["triangles"] = double(mesh.triangles.size());
    state.counters["import_s"] = importWall;
    state.counters["import_cpu_s"] = importCpu;
    state.counters["check_s"] = checkWall;
    state.counters["check_cpu_s"] = checkCpu;
    state.counters["check_sys_s"] = checkSys;
    state.counters["check_page_faults"] = checkFaults;
    state.counters["check_per_import"] = importWall > 0.0 ? checkWall / importWall : 0.0;
    state.counters["check_cpu_per_import_cpu"] = importCpu > 0.0 ? checkCpu / importCpu : 0.0;
    state.counters["one_thread_cpu_per_import_cpu"] = importCpu > 0.0 ? oneThreadCpu / importCpu : 0.0;
    state.counters["crosses"] = crosses;
    state.counters["valid"] = valid;
    state.counters["one_thread_s"] = oneThreadWall;
    state.counters["one_thread_cpu_s"] = oneThreadCpu;
    state.counters["one_thread_page_faults"] = oneThreadFaults;
    state.counters["same_on_one_thread"] = same;
    state.SetLabel(knot ? "torus knot" : "sphere");
}
BENCHMARK(BM_StlSelfCrossingCheck)
    ->Args({360000, 0})
    ->Args({360000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The meshes that made the import's work grow without bound, each imported in a fresh process
// beside a plain sphere of as many triangles imported the same way in the same run: wall and
// processor time, the peak resident memory, and their ratios. Kinds: spiked sphere (a spike on
// every face, 61,440 or 245,760 triangles), a fine sphere of 160,000 triangles beside a coarse
// one far away, 100 or 300 copies of a cube, a comb of 80,000
// triangles of teeth crossing one another (its union refused), a comb of wells passing through
// its own bottom (refused as one shell through itself), and a sphere written as text (beside the
// same mesh in binary).
enum class Hard { Spiked, FineCoarse, Copies, CrossingComb, WellComb, Ascii };

QString hardStl(Hard kind, int size, bool reference)
{
    const QString name = QString("hard_%1_%2_%3").arg(int(kind)).arg(size).arg(reference ? "ref" : "case");
    const QString path = workDir().filePath(name + ".stl");
    if (QFileInfo::exists(path))
        return path;
    MeshShapes::Soup soup;
    switch (kind) {
    case Hard::Spiked:
        soup = MeshShapes::spikedSphere(size);
        break;
    case Hard::FineCoarse:
        soup = fineAndCoarse(size);
        break;
    case Hard::Copies:
        soup = copies(MeshShapes::box({0, 0, 0}, {10, 10, 10}), size);
        break;
    case Hard::CrossingComb:
        soup = MeshShapes::crossingTeeth(size, 49);
        break;
    case Hard::WellComb:
        soup = MeshShapes::wellComb(size);
        break;
    case Hard::Ascii:
        soup = MeshShapes::nearWeldedSphere(size);
        break;
    }
    if (reference) {
        if (kind == Hard::Ascii)
            return MeshShapes::writeBinaryStl(path, soup) ? path : QString();
        soup = MeshShapes::nearWeldedSphere(int(soup.size()));
    }
    if (kind == Hard::Ascii && !reference) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        QByteArray text = "solid sphere\n";
        for (const auto& t : soup) {
            text += "  facet normal 0 0 0\n    outer loop\n";
            for (const gp_XYZ& p : t)
                text += "      vertex " + QByteArray::number(double(float(p.X())), 'g', 9) + ' '
                    + QByteArray::number(double(float(p.Y())), 'g', 9) + ' ' + QByteArray::number(double(float(p.Z())), 'g', 9)
                    + '\n';
            text += "    endloop\n  endfacet\n";
        }
        text += "endsolid sphere\n";
        return file.write(text) == text.size() ? path : QString();
    }
    return MeshShapes::writeBinaryStl(path, soup) ? path : QString();
}

void BM_StlHardMeshes(benchmark::State& state)
{
    const auto kind = Hard(state.range(0));
    const int size = int(state.range(1));
    const QString hard = hardStl(kind, size, false), plain = hardStl(kind, size, true);
    ChildRun ours, reference;
    for (auto _ : state) {
        ours = runChild({selfPath(), "--peak", hard.toStdString()});
        reference = runChild({selfPath(), "--peak", plain.toStdString()});
        state.SetIterationTime(ours.seconds);
    }
    static const char* names[] = {"spiked sphere", "fine sphere beside a coarse one", "copies of a cube",
                                  "comb of crossing teeth", "comb of wells through its bottom", "text sphere"};
    static const char* references[] = {"plain sphere", "plain sphere", "plain sphere", "plain sphere", "plain sphere",
                                       "the same in binary"};
    state.SetLabel(std::string(names[int(kind)]) + " beside a " + references[int(kind)]
                   + (ours.ok ? "" : " (refused)"));
    state.counters["triangles"] = field(ours.output, "triangles=");
    state.counters["import_s"] = field(ours.output, "time=") / 1000.0;
    state.counters["process_s"] = ours.seconds;
    state.counters["cpu_s"] = ours.cpuSeconds;
    state.counters["peak_MB"] = double(ours.peakKb) / 1024.0;
    state.counters["plain_s"] = reference.seconds;
    state.counters["plain_cpu_s"] = reference.cpuSeconds;
    state.counters["plain_peak_MB"] = double(reference.peakKb) / 1024.0;
    state.counters["x_wall"] = reference.seconds > 0.0 ? ours.seconds / reference.seconds : 0.0;
    state.counters["x_cpu"] = reference.cpuSeconds > 0.0 ? ours.cpuSeconds / reference.cpuSeconds : 0.0;
    state.counters["x_peak"] = reference.peakKb > 0 ? double(ours.peakKb) / double(reference.peakKb) : 0.0;
}
BENCHMARK(BM_StlHardMeshes)
    ->Args({int(Hard::Spiked), 5})
    ->Args({int(Hard::Spiked), 6})
    ->Args({int(Hard::FineCoarse), 160000})
    ->Args({int(Hard::Copies), 100})
    ->Args({int(Hard::Copies), 300})
    ->Args({int(Hard::CrossingComb), 100})
    ->Args({int(Hard::WellComb), 1800})
    ->Args({int(Hard::Ascii), 80000})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// One click in the Orientation mode on an imported mesh part: the clicked face's normal,
// turned outward, the rotation that lays it on the plate and the centring on the plate.
void BM_OrientImportedPart(benchmark::State& state)
{
    const StlImportResult part = StlImporter::importStl(generatedStl(Shape::Knot, int(state.range(0))));
    const TopoDS_Face face = TopoDS::Face(TopExp_Explorer(part.shape, TopAbs_FACE).Current());
    for (auto _ : state) {
        gp_Vec normal = GeometryUtils::calculateFaceNormal(face);
        normal = GeometryUtils::ensureNormalPointsOutward(face, normal, part.shape, nullptr);
        BRepBuilderAPI_Transform turn(part.shape, GeometryUtils::createRotationToDown(normal), false);
        const TopoDS_Shape placed = GeometryUtils::centerOnPlateauByCentroid(turn.Shape(), 100.0, 100.0, 0.0);
        benchmark::DoNotOptimize(placed);
    }
    state.counters["faces"] = part.faceCount;
}
BENCHMARK(BM_OrientImportedPart)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK(BM_StlAgainstSlicer)
    ->ArgsProduct({{int(Shape::Knot), int(Shape::Sphere), int(Shape::Slivers)}, {10000, 100000, 1000000}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "--make") == 0) {
        const char* kind = argc >= 5 ? argv[4] : "";
        const QString made = std::strcmp(kind, "knot") == 0      ? generatedStl(Shape::Knot, std::atoi(argv[2]))
            : std::strcmp(kind, "sphere") == 0                    ? generatedStl(Shape::Sphere, std::atoi(argv[2]))
            : std::strcmp(kind, "slivers") == 0                   ? generatedStl(Shape::Slivers, std::atoi(argv[2]))
            : std::strcmp(kind, "spiked") == 0                    ? writtenSoup("spiked", MeshShapes::spikedSphere(std::atoi(argv[2])))
            : std::strcmp(kind, "comb") == 0                      ? writtenSoup("comb", MeshShapes::wellComb(std::atoi(argv[2])))
            : std::strcmp(kind, "teeth") == 0                     ? writtenSoup("teeth", MeshShapes::crossingTeeth(std::atoi(argv[2]), 49))
            : std::strcmp(kind, "cubes") == 0                     ? writtenSoup("cubes", copies(MeshShapes::box({0, 0, 0}, {10, 10, 10}), std::atoi(argv[2])))
            : std::strcmp(kind, "finecoarse") == 0                ? writtenSoup("finecoarse", fineAndCoarse(std::atoi(argv[2])))
                                                                  : torusStl(std::atoi(argv[2]));
        QFile::remove(QString::fromLocal8Bit(argv[3]));
        return QFile::copy(made, QString::fromLocal8Bit(argv[3])) ? 0 : 1;
    }
    if (argc >= 3 && std::strcmp(argv[1], "--peak") == 0) {
        const QString path = QString::fromLocal8Bit(argv[2]);
        const bool sewing = argc >= 4 && std::strcmp(argv[3], "sewing") == 0;
        const long before = maxRssKb();
        QElapsedTimer timer;
        timer.start();
        const StlImportResult r = sewing ? StlImporter::importStlBySewing(path) : StlImporter::importStl(path);
        const qint64 ms = timer.elapsed();
        const long after = maxRssKb();
        std::printf("%s triangles=%d faces=%d closed=%d solid=%d valid=%d time=%lld ms peakRSS=%ld MB "
                    "(before import %ld MB)\n",
                    sewing ? "sewing" : "direct", r.triangleCount, r.faceCount, int(r.closed), int(r.solidBuilt),
                    int(r.valid), static_cast<long long>(ms), after / 1024, before / 1024);
        std::fflush(stdout);
        // The part would be freed at exit; a user who imports it keeps it, so that time is
        // not the import's.
        std::_Exit(r.ok ? 0 : 1);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Jobs::waitForAll();
    return 0;
}
