// Every report the window gives on a large design, on the screen there is (a laptop's 1280 × 800
// in the test run) under a real display: a real KiCad netlist and a made one of 160 components
// and 278 nets, 94 of them without footprint.
// Each box and dialog that opens must lie on the screen with its buttons, the long lists must
// scroll below their summary, and the print plan's table must keep room for its rows.
#include "mainwindowprobe.h"
#include "partfiles.h"
#include "sessionsteps.h"
#include "testsupport.h"

#include "app/missingfootprintsdialog.h"
#include "app/reportdialog.h"
#include "foundation/appsettings.h"
#include "outputs/printplandialog.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QRegularExpression>
#include <QScrollBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// What one window looked like when it opened.
struct Seen
{
    QString title;
    QString text;
    QRect geometry;
    QRect screen;
    QStringList buttonsOffScreen;
    int listLines = 0;        // lines of a report's scrolling list
    int listVisibleLines = 0; // of them, how many its view shows at once
};

// Looks at every modal window that opens, then answers it: Yes where it can, Discard a question
// about unsaved work, otherwise its default button; other dialogs are accepted.
class ReportInspector : public QObject
{
public:
    ReportInspector()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

    QList<Seen> seen;

    const Seen* find(const QString& title) const
    {
        for (const Seen& s : seen)
            if (s.title == title)
                return &s;
        return nullptr;
    }

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        // Looked at once it has been drawn.
        if (modal != m_opened) {
            m_opened = modal;
            return;
        }
        m_opened = nullptr;
        Seen s;
        s.title = modal->windowTitle();
        s.geometry = modal->frameGeometry();
        s.screen = modal->screen()->availableGeometry();
        for (QAbstractButton* button : modal->findChildren<QAbstractButton*>()) {
            if (!button->isVisible() || qobject_cast<QScrollBar*>(button->parentWidget()))
                continue;
            const QRect onScreen(button->mapToGlobal(QPoint(0, 0)), button->size());
            if (!s.screen.contains(onScreen))
                s.buttonsOffScreen << button->text();
        }
        shoot(s.title);
        QAbstractButton* answer = nullptr;
        if (auto* report = qobject_cast<ReportDialog*>(modal)) {
            s.text = report->text();
            if (QPlainTextEdit* list = report->listView()) {
                s.listLines = list->document()->lineCount();
                s.listVisibleLines = list->viewport()->height() / list->fontMetrics().lineSpacing();
            }
            for (QMessageBox::StandardButton which : {QMessageBox::Yes, QMessageBox::Ok})
                if (!answer)
                    answer = report->button(which);
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            s.text = box->text();
            for (QMessageBox::StandardButton which : {QMessageBox::Yes, QMessageBox::Discard, QMessageBox::Ok})
                if (!answer)
                    answer = box->button(which);
            if (!answer)
                answer = box->defaultButton();
        }
        seen << s;
        if (answer)
            answer->click();
        else if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->accept();
    }

public:
    // The whole screen as a person sees it, when a folder is named for it.
    static void shoot(const QString& title)
    {
        const QString folder = qEnvironmentVariable("VTQ_REPORT_SHOTS");
        if (folder.isEmpty())
            return;
        QDir().mkpath(folder);
        static int count = 0;
        QString name = title;
        name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("_"));
        QGuiApplication::primaryScreen()->grabWindow(0).save(
            QDir(folder).filePath(QStringLiteral("%1-%2.png").arg(++count, 2, 10, QLatin1Char('0')).arg(name)));
    }

private:

    QTimer m_timer;
    QPointer<QWidget> m_opened;
};

// 160 components: two LQFP-144 whose pins pair up in 144 nets, 64 resistors chained in 64 nets,
// and 94 parts whose 80 footprints exist nowhere, in 70 nets of their own: 278 nets.
QByteArray largeNetlist(bool withoutMissing = false)
{
    QByteArray text = "(export (version \"E\")\n  (components\n";
    const auto comp = [&text](const QString& ref, const QString& value, const QString& footprint) {
        text += QStringLiteral("    (comp (ref \"%1\") (value \"%2\") (footprint \"%3\"))\n")
                    .arg(ref, value, footprint)
                    .toUtf8();
    };
    comp("U1", "MCU", "Package_QFP:LQFP-144_20x20mm_P0.5mm");
    comp("U2", "FPGA", "Package_QFP:LQFP-144_20x20mm_P0.5mm");
    for (int i = 1; i <= 64; ++i)
        comp(QStringLiteral("R%1").arg(i), QStringLiteral("10k"), QStringLiteral("Builtin_0805"));
    if (!withoutMissing) {
        for (int i = 1; i <= 94; ++i)
            comp(QStringLiteral("X%1").arg(i), QStringLiteral("Sensor"),
                 QStringLiteral("Vendor_Parts:Custom_Module_%1").arg((i - 1) % 80 + 1));
    }
    text += "  )\n  (nets\n";
    int code = 0;
    const auto net = [&](const QString& name, const QList<QPair<QString, QString>>& pins) {
        text += QStringLiteral("    (net (code \"%1\") (name \"%2\")\n").arg(++code).arg(name).toUtf8();
        for (const auto& pin : pins)
            text += QStringLiteral("      (node (ref \"%1\") (pin \"%2\"))\n").arg(pin.first, pin.second).toUtf8();
        text += "    )\n";
    };
    for (int k = 1; k <= 144; ++k)
        net(QStringLiteral("/bus/D%1").arg(k), {{"U1", QString::number(k)}, {"U2", QString::number(k)}});
    for (int i = 1; i <= 64; ++i)
        net(QStringLiteral("/chain/N%1").arg(i),
            {{QStringLiteral("R%1").arg(i), "1"}, {QStringLiteral("R%1").arg(i % 64 + 1), "2"}});
    for (int i = 1; i <= 70; ++i)
        net(QStringLiteral("/sensors/S%1").arg(i), {{QStringLiteral("X%1").arg(i), "1"}, {QStringLiteral("X%1").arg(i), "2"}});
    text += "  )\n)\n";
    return text;
}

struct Design
{
    const char* name;
    const char* netlist; // in the test data, or empty for the made one
    int components;
    int nets;
    int missing;
};

class MainWindowReports : public ::testing::TestWithParam<Design>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        AppSettings::setFootprintDirs({TestSupport::kicadFootprintRoot()});
        window = std::make_unique<MainWindow>();
        probe = std::make_unique<MainWindowProbe>(*window);
        window->setOpenFileChooser([this](QWidget*, int, const QString&, const QString&, const QString&) { return next; });
        window->setSaveFileChooser(
            [this](QWidget*, int, const QString&, const QString&, const QStringList&) { return next; });
        ASSERT_TRUE(SessionSteps::showWithViewer(*window, *probe));
    }

    // Every window seen lay on the screen with all its buttons.
    static void expectOnScreen(const QList<Seen>& seen)
    {
        for (const Seen& s : seen) {
            EXPECT_TRUE(s.screen.contains(s.geometry))
                << s.title.toStdString() << ": " << s.geometry.width() << "x" << s.geometry.height() << " at "
                << s.geometry.x() << "," << s.geometry.y();
            EXPECT_TRUE(s.buttonsOffScreen.isEmpty())
                << s.title.toStdString() << ": out of reach: " << s.buttonsOffScreen.join(", ").toStdString();
        }
    }

    TestSupport::IsolatedSettings settings;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
    QString next;
};

TEST_P(MainWindowReports, EveryReportFitsTheScreen)
{
    const Design design = GetParam();
    QString netlist = QString::fromUtf8(design.netlist);
    if (netlist.isEmpty()) {
        netlist = dir.filePath(QStringLiteral("large.net"));
        QFile file(netlist);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(largeNetlist());
    } else {
        netlist = QStringLiteral(VTQ_TEST_DATA_DIR "/netlists/") + netlist;
    }
    const QString part = dir.filePath(QStringLiteral("plate.step"));
    ASSERT_TRUE(PartFiles::writeStep(part, {PartFiles::box(220, 160, 12)}));

    ReportInspector inspector;
    next = part;
    window->importGeometryFile();
    ASSERT_FALSE(probe->project().mainShape().IsNull());
    next = netlist;
    window->importNetlist();
    ASSERT_EQ(probe->project().netlist().components.size(), design.components);
    ASSERT_EQ(probe->project().netlist().connections.size(), design.nets);
    const Seen* loaded = inspector.find(QStringLiteral("Netlist loaded"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->text, QStringLiteral("Loading successful: %1 component(s) and %2 net(s)")
                                .arg(design.components)
                                .arg(design.nets))
        << "the nets are named as in the status line";

    window->generateComponents();
    ASSERT_EQ(probe->componentManager()->components().size(), design.components);
    EXPECT_EQ(inspector.find(QStringLiteral("⚠ Missing footprints")) != nullptr, design.missing > 0);

    if (!probe->ratsnestInfoButton()->isEnabled())
        window->toggleRatsnestDisplay();
    window->showRatsnestInfo();
    const Seen* ratsnest = inspector.find(QStringLiteral("Ratsnest Information"));
    ASSERT_NE(ratsnest, nullptr);
    EXPECT_TRUE(ratsnest->text.startsWith(QStringLiteral("=== Ratsnest Information ===\n\nRouting progress: ")));
    EXPECT_GT(ratsnest->listLines, 40) << "one line per net to route";
    EXPECT_GE(ratsnest->listVisibleLines, 10) << "the list has room to be read";

    const QString saved = dir.filePath(QStringLiteral("design.vtq"));
    next = saved;
    window->saveProjectAs();
    ASSERT_TRUE(QFile::exists(saved));
    ASSERT_NE(inspector.find(QStringLiteral("Success")), nullptr);

    // Reopened where no folder holds the missing footprints: they are listed.
    ASSERT_TRUE(probe->openProjectPath(saved, false));
    const Seen* reopened = inspector.find(QStringLiteral("Project loaded"));
    ASSERT_NE(reopened, nullptr);
    EXPECT_TRUE(reopened->text.startsWith(QStringLiteral("✓ Project loaded successfully:\n\n")));
    EXPECT_EQ(reopened->listLines > 0, design.missing > 0);
    if (design.missing > 0) {
        EXPECT_EQ(reopened->listLines, design.missing + 1) << "a heading and one line per component";
    }

    window->showPrintPlan();
    auto* plan = window->findChild<PrintPlanDialog*>();
    ASSERT_NE(plan, nullptr);
    ASSERT_TRUE(waitFor([plan] { return plan->isVisible(); }));
    QTest::qWait(50);
    Seen planSeen{plan->windowTitle(), QString(), plan->frameGeometry(), plan->screen()->availableGeometry(), {}, 0, 0};
    ReportInspector::shoot(plan->windowTitle());
    expectOnScreen({planSeen});
    EXPECT_EQ(plan->windowTitle(), QStringLiteral("Print plan"));
    EXPECT_EQ(probe->printPlanAction()->text(), QStringLiteral("Print plan..."));
    auto* table = plan->findChild<QTableWidget*>();
    ASSERT_NE(table, nullptr);
    ASSERT_TRUE(plan->plan().ok) << plan->plan().error.toStdString();
    const int rows = table->rowCount();
    ASSERT_GT(rows, 0);
    const int rowHeight = table->verticalHeader()->defaultSectionSize();
    EXPECT_GE(table->viewport()->height() / rowHeight, std::min(rows, 14))
        << "the table shows its rows, not the list of parts without insertion";
    if (!plan->plan().notHollowed.isEmpty()) {
        auto* skipped = plan->findChild<QScrollArea*>();
        ASSERT_NE(skipped, nullptr);
        EXPECT_TRUE(skipped->isVisible());
        EXPECT_LT(skipped->height(), table->viewport()->height());
    }
    plan->close();

    // The same design without its unknown parts: a long question, then the report.
    const QString smaller = dir.filePath(QStringLiteral("smaller.net"));
    {
        QFile file(smaller);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        if (QString::fromUtf8(design.netlist).isEmpty()) {
            file.write(largeNetlist(true));
        } else {
            QFile original(netlist);
            ASSERT_TRUE(original.open(QIODevice::ReadOnly));
            QByteArray text = original.readAll();
            // Every second component gets another footprint.
            int at = 0;
            for (int n = 0; (at = text.indexOf("(footprint \"", at)) >= 0; ++n, ++at)
                if (n % 2 == 0)
                    text.insert(text.indexOf(':', at) + 1, "Gone_");
            file.write(text);
        }
    }
    next = smaller;
    window->updateFromNetlist();
    int updates = 0;
    for (const Seen& s : inspector.seen)
        updates += s.title == QStringLiteral("Update from netlist");
    EXPECT_EQ(updates, 2) << "the question and the report";

    // The settings dialogs, on the same screen.
    const int before = int(inspector.seen.size());
    window->manageFootprintFolders();
    window->manageRoutingRules();
    window->manageAutoSaveSettings();
    EXPECT_EQ(inspector.seen.size(), before + 3);
    expectOnScreen(inspector.seen);

}

INSTANTIATE_TEST_SUITE_P(Designs, MainWindowReports,
                         ::testing::Values(Design{"ComplexHierarchy", "complex_hierarchy.net", 68, 52, 0},
                                           Design{"Made160Components", "", 160, 278, 94}),
                         [](const ::testing::TestParamInfo<Design>& info) { return info.param.name; });

} // namespace
