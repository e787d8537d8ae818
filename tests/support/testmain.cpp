// GoogleTest entry with a QApplication, so that widgets, translations and the OpenCASCADE
// view can be used from tests. Settings and data folders are redirected to test locations.
#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VTQ_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VTQ_ASAN 1
#endif

#ifdef VTQ_ASAN
#include <dlfcn.h>

// The GL driver is unloaded before the leak report, which then cannot name the library its
// own leaks come from; kept loaded, they are matched by library name like any other.
static void keepGlDriverLoaded()
{
    for (const char* library : {"libGLX_mesa.so.0", "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"})
        dlopen(library, RTLD_LAZY | RTLD_NODELETE);
}
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Only tests registered as needing the 3D view get a real display; everything else,
    // including CTest's listing of the tests, runs offscreen so no X server is needed.
    if (!qEnvironmentVariableIsSet("VTQ_TEST_DISPLAY") && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef VTQ_ASAN
    if (qEnvironmentVariableIsSet("VTQ_TEST_DISPLAY"))
        keepGlDriverLoaded();
#endif
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("VantorquelleTests"));
    QCoreApplication::setApplicationName(QStringLiteral("VantorquelleTests"));
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
