// GoogleTest entry with a QApplication, so that widgets, translations and the OpenCASCADE
// view can be used from tests. Settings and data folders are redirected to test locations.
#include <Aspect_DisplayConnection.hxx>
#include <Standard_Failure.hxx>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "foundation/jobs.h"
#include "foundation/occutils.h"
#include "gldriver.h"

namespace {

// Xvfb busy with many test programs at once can refuse a connection for a moment, and Qt ends
// a program whose display it cannot open with an abort that names no cause. Wait for the
// server a little; if it never answers, say so.
bool displayAnswers()
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        try {
            opencascade::handle<Aspect_DisplayConnection> connection = new Aspect_DisplayConnection();
            return true;
        } catch (const Standard_Failure&) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    std::fprintf(stderr, "No X server answers on DISPLAY=%s\n", qgetenv("DISPLAY").constData());
    return false;
}

std::vector<char*> originalArguments;
QtMessageHandler defaultHandler = nullptr;

// Seen on loaded machines: the server took the check's connection above and refused Qt's a
// moment later, and Qt can only abort then. The test program starts again, a few times at most,
// since none of its tests has run yet.
void startAgainWhenQtCannotOpenTheDisplay(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    constexpr int kAttempts = 5;
    const int attempt = qEnvironmentVariableIntValue("VTQ_TEST_DISPLAY_ATTEMPT");
    if (type == QtFatalMsg && text.contains(QLatin1String("no Qt platform plugin could be initialized"))
        && attempt + 1 < kAttempts) {
        std::fprintf(stderr, "Qt could not open the display; starting the test program again\n");
        qputenv("VTQ_TEST_DISPLAY_ATTEMPT", QByteArray::number(attempt + 1));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::execv("/proc/self/exe", originalArguments.data());
    }
    if (defaultHandler)
        defaultHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

// Test programs run side by side, and one killed from outside leaves its automatic save behind:
// in a shared folder, the next window test would find it and wait on a recovery question nobody
// answers. Each program keeps its data and settings to itself and clears them when it ends.
void useFoldersOfThisProgramAlone()
{
    QCoreApplication::setApplicationName(
        QStringLiteral("VantorquelleTests-%1").arg(QCoreApplication::applicationPid()));
}

void removeFoldersOfThisProgram()
{
    for (const auto location : {QStandardPaths::AppDataLocation, QStandardPaths::CacheLocation})
        QDir(QStandardPaths::writableLocation(location)).removeRecursively();
    QFile::remove(QSettings().fileName());
}

} // namespace

int main(int argc, char** argv)
{
    originalArguments.assign(argv, argv + argc + 1); // before GoogleTest takes its own flags out
    ::testing::InitGoogleTest(&argc, argv);
    // Only tests registered as needing the 3D view get a real display; everything else,
    // including CTest's listing of the tests, runs offscreen so no X server is needed.
    if (!qEnvironmentVariableIsSet("VTQ_TEST_DISPLAY") && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsSet("VTQ_TEST_DISPLAY")) {
        keepGlDriverLoadedUnderAsan();
        if (!displayAnswers())
            return 2;
        defaultHandler = qInstallMessageHandler(startAgainWhenQtCannotOpenTheDisplay);
    }
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("VantorquelleTests"));
    QApplication app(argc, argv);
    useFoldersOfThisProgramAlone();
    const int failed = RUN_ALL_TESTS();
    Jobs::waitForAll();
    removeFoldersOfThisProgram();
    return failed;
}
