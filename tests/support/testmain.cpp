// GoogleTest entry with a QApplication, so that widgets, translations and the OpenCASCADE
// view can be used from tests. Settings and data folders are redirected to test locations.
#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("VantorquelleTests"));
    QCoreApplication::setApplicationName(QStringLiteral("VantorquelleTests"));
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
