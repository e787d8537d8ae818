// A whole working session of the real program, driven from inside it: Qt loads this as a
// generic plugin (QT_QPA_GENERIC_PLUGINS=vtqsession) into the unchanged executable, which
// exports its symbols for it. Once the event loop runs it finds the main window and goes
// through part, netlist, generation, burial and ratsnest shown, tracks, probe, exports, the
// print plan and an automatic save, then quits through File › Quit and discards the design,
// so that the program's own ending runs. It prints "SESSION <step>" lines and "SESSION DONE"
// when every step held; a failed step says "SESSION FAILED <why>" and the program exits with 3.
#include "sessionsteps.h"

#include "gldriver.h"

#include "components/burialanalyzer.h"
#include "foundation/appsettings.h"

#include <QAction>
#include <QFileInfo>
#include <QGenericPlugin>
#include <QMenuBar>
#include <QProcessEnvironment>

#include <cstdio>

namespace {

void say(const QString& line)
{
    std::fprintf(stdout, "SESSION %s\n", qPrintable(line));
    std::fflush(stdout);
}

MainWindow* findMainWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<MainWindow*>(widget))
            return window;
    }
    return nullptr;
}

QAction* quitAction(MainWindow& window)
{
    for (QAction* menu : window.menuBar()->actions()) {
        if (!menu->menu())
            continue;
        for (QAction* action : menu->menu()->actions()) {
            if (action->text() == QLatin1String("Quit"))
                return action;
        }
    }
    return nullptr;
}

class SessionRunner : public QObject
{
public:
    void run()
    {
        MainWindow* window = nullptr;
        if (!waitFor([&] { return (window = findMainWindow()) != nullptr; }))
            return fail(QStringLiteral("no main window"));
        MainWindowProbe probe(*window);
        if (!waitFor([&] { return window->isViewerReady(); }))
            return fail(QStringLiteral("viewer not ready"));
        const QString failure = session(*window, probe);
        if (!failure.isEmpty())
            return fail(failure);
        say(QStringLiteral("DONE"));
        quit(*window);
    }

private:
    QString session(MainWindow& window, MainWindowProbe& probe)
    {
        const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString out = env.value(QStringLiteral("VTQ_SESSION_OUT"));
        AppSettings::setFootprintDirs({env.value(QStringLiteral("VTQ_SESSION_FOOTPRINTS"))});
        const QString built = SessionSteps::buildDesign(window, probe, env.value(QStringLiteral("VTQ_SESSION_PART")),
                                                        env.value(QStringLiteral("VTQ_SESSION_NETLIST")));
        if (!built.isEmpty())
            return built;
        say(QStringLiteral("design %1 components").arg(probe.componentManager()->components().size()));

        SessionSteps::AutoAnswer answers;
        probe.burialButton()->click();
        if (!probe.burialAnalyzer()->isEnabled())
            return QStringLiteral("burial not shown");
        probe.ratsnestButton()->click();
        say(QStringLiteral("burial and ratsnest shown"));

        const int more = SessionSteps::routeTracks(probe, 3);
        const QList<Route> routes = probe.project().routingManager().routes();
        if (more < 1 || routes.size() < 2)
            return QStringLiteral("only %1 track(s)").arg(routes.size());
        say(QStringLiteral("tracks %1").arg(routes.size()));

        if (!probe.modes()->requestTransition(ModeController::Mode::ResistanceProbe).accepted)
            return QStringLiteral("no probe mode");
        probe.clickProbePad(PadId(routes.first().startRef, routes.first().startPad));
        probe.clickProbePad(PadId(routes.first().endRef, routes.first().endPad));
        if (!probe.status().startsWith(QStringLiteral("R(")))
            return QStringLiteral("probe said: ") + probe.status();
        say(probe.status());
        probe.modes()->requestTransition(ModeController::Mode::View);

        QString target;
        window.setSaveFileChooser([&](QWidget*, int, const QString&, const QString&, const QStringList&) {
            return target;
        });
        target = out + QStringLiteral("/session.step");
        window.exportStepFile();
        target = out + QStringLiteral("/session.3mf");
        window.export3mfProject();
        window.setSaveFileChooser([](QWidget*, int, const QString&, const QString&, const QStringList&) {
            return QString();
        });
        for (const QString& file : {QStringLiteral("session.step"), QStringLiteral("session.3mf")}) {
            if (!QFileInfo(out + QLatin1Char('/') + file).size())
                return file + QStringLiteral(" not written");
        }
        window.showPrintPlan();
        say(QStringLiteral("exports"));

        probe.autoSaveNow();
        const QString side = MainWindow::autoSavePathFor(QString());
        if (!QFileInfo::exists(side))
            return QStringLiteral("no automatic save");
        say(QStringLiteral("autosaved ") + side);
        return QString();
    }

    // File › Quit, the unsaved design discarded; the program then ends on its own.
    void quit(MainWindow& window)
    {
        QAction* action = quitAction(window);
        if (!action) {
            say(QStringLiteral("FAILED no Quit entry"));
            QCoreApplication::exit(3);
            return;
        }
        MessageBoxAnswerer discard(QMessageBox::Discard);
        action->trigger();
        if (window.isVisible()) {
            say(QStringLiteral("FAILED the window stayed open"));
            QCoreApplication::exit(3);
        }
    }

    void fail(const QString& why)
    {
        say(QStringLiteral("FAILED ") + why);
        QCoreApplication::exit(3);
    }
};

} // namespace

class SessionPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "sessionplugin.json")

public:
    QObject* create(const QString& key, const QString&) override
    {
        if (key.compare(QLatin1String("vtqsession"), Qt::CaseInsensitive) != 0)
            return nullptr;
        keepGlDriverLoadedUnderAsan();
        auto* runner = new SessionRunner;
        QTimer::singleShot(0, runner, [runner] { runner->run(); });
        return runner;
    }
};

#include "sessionplugin.moc"
