// GoogleTest entry with a QApplication, so that widgets, translations and the OpenCASCADE
// view can be used from tests. Settings and data folders are redirected to test locations.
#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include "gldriver.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Only tests registered as needing the 3D view get a real display; everything else,
    // including CTest's listing of the tests, runs offscreen so no X server is needed.
    if (!qEnvironmentVariableIsSet("VTQ_TEST_DISPLAY") && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsSet("VTQ_TEST_DISPLAY"))
        keepGlDriverLoadedUnderAsan();
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("VantorquelleTests"));
    QCoreApplication::setApplicationName(QStringLiteral("VantorquelleTests"));
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
