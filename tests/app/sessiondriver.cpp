// The program as the session test runs it in its own process: "build" makes a design and writes
// its automatic save, then waits to be killed; "recover" starts afresh and takes the recovery
// offer. Each prints what it holds as "SUMMARY <json>".
#include "sessionsteps.h"

#include "gldriver.h"

#include "foundation/appsettings.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    keepGlDriverLoadedUnderAsan();
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Vantorquelle"));
    QCoreApplication::setApplicationName(QStringLiteral("Vantorquelle"));
    QTextStream out(stdout);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2)
        return 1;
    const QString phase = args.at(1);
    if (phase == QLatin1String("build") && args.size() >= 5)
        AppSettings::setFootprintDirs({args.at(4)});

    SessionSteps::AutoAnswer answers;
    MainWindow window;
    MainWindowProbe probe(window);
    if (!SessionSteps::showWithViewer(window, probe)) {
        out << "NO_VIEWER" << Qt::endl;
        return 2;
    }
    if (!window.isViewerReady()) {
        out << "NOT_WIRED" << Qt::endl;
        return 3;
    }

    if (phase == QLatin1String("build") && args.size() >= 4) {
        const QString failure = SessionSteps::buildDesign(window, probe, args.at(2), args.at(3));
        if (!failure.isEmpty()) {
            out << "FAILED " << failure << Qt::endl;
            return 4;
        }
        out << "SUMMARY " << SessionSteps::summarize(window, probe).toText() << Qt::endl;
        probe.autoSaveNow();
        out << "AUTOSAVED " << MainWindow::autoSavePathFor(QString()) << Qt::endl;
        out << "STATUS " << probe.status() << Qt::endl;
        return app.exec(); // until killed
    }
    if (phase == QLatin1String("recover")) {
        waitFor([&] { return !probe.project().shapes().isEmpty(); });
        QTest::qWait(100);
        for (const QString& box : std::as_const(answers.seen))
            out << "BOX " << QString(box).replace(QLatin1Char('\n'), QLatin1Char(' ')) << Qt::endl;
        out << "SUMMARY " << SessionSteps::summarize(window, probe).toText() << Qt::endl;
        return 0; // as killed again: the recovered side file stays
    }
    return 1;
}
