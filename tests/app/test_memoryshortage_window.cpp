// The window's STEP import and 3MF export with every large allocation refused from a point on,
// at points spread over all that each allocates: each ends done, or refused with a message that
// names memory, the part and the previous file as they were, and the window usable after.
#include "allocationfailure.h"
#include "mainwindowprobe.h"
#include "partfiles.h"
#include "testsupport.h"

#include "view/occwidget.h"

#include <BRepPrimAPI_MakeCylinder.hxx>
#include <gp_Ax2.hxx>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Only large allocations fail, as under a real shortage: a small one deep in the toolkit's event
// handling ends any program, guarded or not.
constexpr std::size_t kLarge = std::size_t(64) << 10;
constexpr int kPoints = 12;

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// Memory comes back once the operation has let go of what it held (its progress window goes),
// or as a message comes up: beyond, the view's drawing (Mesa's) would end any program. For the
// same reason the 3D view does not draw while the shortage lasts: the software renderer does
// not survive a failed allocation of its own, which no program can guard.
class ShortageEndsWithTheOperation : public QObject
{
public:
    ShortageEndsWithTheOperation() { qApp->installEventFilter(this); }
    ~ShortageEndsWithTheOperation() override { qApp->removeEventFilter(this); }
    bool shortage = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (shortage && event->type() == QEvent::Paint && qobject_cast<OccWidget*>(watched))
            return true;
        if ((event->type() == QEvent::Polish && qobject_cast<QMessageBox*>(watched))
            || (event->type() == QEvent::ChildRemoved
                && static_cast<QChildEvent*>(event)->child()->objectName() == QLatin1String("progressWindow"))) {
            AllocationFailure::disarm();
            shortage = false;
        }
        return false;
    }
};

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(WindowUnderShortage, EachPointEndsDoneOrSaysMemoryAndKeepsWhatWas)
{
    if (!AllocationFailure::available())
        GTEST_SKIP() << "the sanitizers bring an allocator of their own";
    TestSupport::IsolatedSettings settings;
    QTemporaryDir dir;
    MainWindow window;
    MainWindowProbe probe(window);
    window.show();
    ASSERT_TRUE(waitFor([&] { return probe.viewerReady(); }));
    MessageBoxAnswerer answers(QMessageBox::Yes, true);
    const QString output = dir.filePath("out.3mf");
    window.setSaveFileChooser([&](QWidget*, int, const QString&, const QString&, const QStringList&) { return output; });
    // A round part: its mesh in the package takes large blocks.
    const QString part = dir.filePath("part.step");
    const QString other = dir.filePath("other.step");
    ASSERT_TRUE(PartFiles::writeStep(part, {BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(30, 20, 0), gp::DZ()), 40, 8).Shape()}));
    ASSERT_TRUE(PartFiles::writeStep(other, {PartFiles::box(50, 30, 6)}));
    const struct
    {
        const char* name;
        std::function<bool()> run; // true when it ended done
        bool writes;               // output, kept as it was when refused
    } roads[] = {
        {"step-import", [&] { return window.importStepFile(other); }, false},
        {"3mf-export",
         [&] {
             probe.export3mfProjectAction()->trigger();
             return probe.status().startsWith(QStringLiteral("✓ 3MF export"));
         },
         true},
    };
    const QByteArray previous = "the previous file";
    const QtMessageHandler handler = qInstallMessageHandler(quiet);
    ShortageEndsWithTheOperation shortageEnds;
    for (const auto& road : roads) {
        SCOPED_TRACE(road.name);
        ASSERT_TRUE(window.importStepFile(part));
        probe.placeResistor("R1", gp_Pnt(30, 20, 6));
        const auto run = [&](long point) {
            QFile file(output);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(previous) > 0);
            file.close();
            answers.seen.clear();
            // A paint left pending would draw under the shortage: Mesa's drawing cannot survive one.
            QCoreApplication::processEvents();
            shortageEnds.shortage = point > 0;
            AllocationFailure::arm(point, kLarge, point > 0);
            const bool done = road.run();
            shortageEnds.shortage = false;
            return std::make_pair(done, AllocationFailure::disarm());
        };
        // Counted on a second run: the first fills what the window keeps for the next (the carving).
        ASSERT_TRUE(run(0).first) << answers.seen.join('\n').toStdString();
        const auto [whole, allocations] = run(0);
        ASSERT_TRUE(whole && allocations > kPoints);
        int refused = 0;
        for (int i = 0; i < kPoints && !HasFailure(); ++i) {
            const long point = 1 + allocations * i / kPoints;
            SCOPED_TRACE("allocation " + std::to_string(point) + " of " + std::to_string(allocations));
            const TopoDS_Shape shape = probe.project().mainShape();
            if (run(point).first)
                continue;
            ++refused;
            EXPECT_EQ(answers.seen.filter(QStringLiteral("enough memory")).size(), 1) << answers.seen.join('\n').toStdString();
            EXPECT_TRUE(probe.project().mainShape().IsSame(shape)) << "the part was replaced";
            EXPECT_TRUE(!road.writes || contentOf(output) == previous) << "the previous file was not kept";
        }
        EXPECT_GT(refused, 0) << "no failure reached the road";
        EXPECT_TRUE(run(0).first) << "usable after: " << answers.seen.join('\n').toStdString();
    }
    qInstallMessageHandler(handler);
}

} // namespace
