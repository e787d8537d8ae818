// GoogleTest entry with a QApplication, so that widgets, translations and the OpenCASCADE
// view can be used from tests. Settings and data folders are redirected to test locations.
#include <Aspect_DisplayConnection.hxx>
#include <Standard_Failure.hxx>

#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

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

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Only tests registered as needing the 3D view get a real display; everything else,
    // including CTest's listing of the tests, runs offscreen so no X server is needed.
    if (!qEnvironmentVariableIsSet("VTQ_TEST_DISPLAY") && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsSet("VTQ_TEST_DISPLAY")) {
        keepGlDriverLoadedUnderAsan();
        if (!displayAnswers())
            return 2;
    }
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("VantorquelleTests"));
    QCoreApplication::setApplicationName(QStringLiteral("VantorquelleTests"));
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
