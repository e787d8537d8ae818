// The window's imports and exports with large allocations refused from a point on, at points
// spread over all that each allocates: each ends done, or refused with a message that names
// memory, the design and the previous file as they were, and the window usable for the next one.
#include "allocationfailure.h"
#include "mainwindowprobe.h"
#include "partfiles.h"
#include "testsupport.h"

#include "components/componentmanager.h"

#include <BRepPrimAPI_MakeCylinder.hxx>
#include <gp_Ax2.hxx>

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Only large allocations fail, as under a real shortage: a small one deep in the toolkit's event
// handling ends any program, guarded or not.
constexpr std::size_t kLarge = std::size_t(64) << 10;
constexpr int kPoints = 12;

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

struct Road
{
    const char* name;
    // Runs the road once; true when it ended done.
    std::function<bool(MainWindow&, MainWindowProbe&, const QString& dir)> run;
    // The file the road writes, kept as it was when the road is refused ("" for an import).
    const char* output;
};

// The shortage lasts while the operation runs: memory comes back once it has let go of what it
// held, when its progress window goes, or as a message comes up (whose window needs room). A
// shortage that lasts beyond it ends any program in the view's drawing (Mesa's).
class ShortageEndsWithTheOperation : public QObject
{
public:
    ShortageEndsWithTheOperation() { qApp->installEventFilter(this); }
    ~ShortageEndsWithTheOperation() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if ((event->type() == QEvent::Polish && qobject_cast<QMessageBox*>(watched))
            || (event->type() == QEvent::ChildRemoved
                && static_cast<QChildEvent*>(event)->child()->objectName() == QLatin1String("progressWindow")))
            AllocationFailure::disarm();
        return false;
    }
};

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class WindowUnderShortage : public ::testing::TestWithParam<Road>
{
};

TEST_P(WindowUnderShortage, EachPointEndsDoneOrSaysMemoryAndKeepsWhatWas)
{
    if (!AllocationFailure::available())
        GTEST_SKIP() << "the sanitizers bring an allocator of their own";
    const Road& road = GetParam();
    TestSupport::IsolatedSettings settings;
    QTemporaryDir dir;
    MainWindow window;
    MainWindowProbe probe(window);
    window.show();
    ASSERT_TRUE(waitFor([&] { return probe.viewerReady(); }));
    MessageBoxAnswerer answers(QMessageBox::Yes, true);
    window.setSaveFileChooser([&](QWidget*, int, const QString&, const QString&, const QStringList& suffixes) {
        return dir.filePath("out." + suffixes.value(0, "step"));
    });
    const QString part = dir.filePath("part.step");
    // A round part: its mesh in the package takes large blocks.
    ASSERT_TRUE(PartFiles::writeStep(part, {BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(30, 20, 0), gp::DZ()), 40, 8).Shape()}));
    ASSERT_TRUE(window.importStepFile(part));
    Netlist netlist;
    for (const QString& ref : {"R1", "R2", "R3"})
        netlist.components.insert(ref, NetlistComponent{ref, "1k", "Builtin_0805", {}});
    probe.project().setNetlist(std::move(netlist));
    probe.componentManager()->generateComponents(probe.project().netlist().components);
    const QString output = road.output[0] ? dir.filePath(road.output) : QString();
    const QByteArray previous = "the previous file";
    const auto resetOutput = [&] {
        if (output.isEmpty())
            return;
        QFile file(output);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(previous);
    };
    resetOutput();

    // Counted on a second run: the first fills what the window keeps for the next (the carving).
    ASSERT_TRUE(road.run(window, probe, dir.path())) << answers.seen.join('\n').toStdString();
    resetOutput();
    AllocationFailure::arm(0, kLarge);
    ASSERT_TRUE(road.run(window, probe, dir.path())) << answers.seen.join('\n').toStdString();
    const long allocations = AllocationFailure::disarm();
    ASSERT_GT(allocations, kPoints);
    const QByteArray done = output.isEmpty() ? QByteArray() : contentOf(output);
    ASSERT_NE(done, previous);

    const QtMessageHandler previousHandler = qInstallMessageHandler(quiet);
    const ShortageEndsWithTheOperation shortageEnds;
    int refused = 0;
    for (int i = 0; i < kPoints; ++i) {
        const long point = 1 + allocations * i / kPoints;
        SCOPED_TRACE("allocation " + std::to_string(point) + " of " + std::to_string(allocations));
        resetOutput();
        const TopoDS_Shape shape = probe.project().mainShape();
        answers.seen.clear();
        AllocationFailure::arm(point, kLarge, true);
        const bool ok = road.run(window, probe, dir.path());
        AllocationFailure::disarm();
        EXPECT_FALSE(window.isLongOperationRunning());
        if (ok)
            continue;
        ++refused;
        EXPECT_EQ(answers.seen.filter(QStringLiteral("enough memory")).size(), 1) << answers.seen.join('\n').toStdString();
        EXPECT_TRUE(probe.project().mainShape().IsSame(shape)) << "the part was replaced";
        if (!output.isEmpty())
            EXPECT_EQ(contentOf(output), previous) << "the previous file was not kept";
        if (HasFailure())
            break;
    }
    qInstallMessageHandler(previousHandler);
    EXPECT_GT(refused, 0) << "no failure reached the road";
    // Usable after it all: the road runs whole again.
    resetOutput();
    answers.seen.clear();
    EXPECT_TRUE(road.run(window, probe, dir.path())) << answers.seen.join('\n').toStdString();
}

// A road ends done when the window says nothing but its own report, and the status says so.
bool statusStartsWith(MainWindowProbe& probe, const char* start)
{
    return probe.status().startsWith(QString::fromUtf8(start));
}

INSTANTIATE_TEST_SUITE_P(
    Roads, WindowUnderShortage,
    ::testing::Values(
        Road{"StepImport",
             [](MainWindow& window, MainWindowProbe&, const QString& dir) {
                 const QString file = dir + "/other.step";
                 if (!QFile::exists(file) && !PartFiles::writeStep(file, {PartFiles::box(50, 30, 6)}))
                     return false;
                 return window.importStepFile(file);
             },
             ""},
        Road{"ThreeMfExport",
             [](MainWindow&, MainWindowProbe& probe, const QString&) {
                 probe.export3mfProjectAction()->trigger();
                 return statusStartsWith(probe, "✓ 3MF export");
             },
             "out.3mf"}),
    [](const ::testing::TestParamInfo<Road>& info) { return std::string(info.param.name); });

} // namespace
