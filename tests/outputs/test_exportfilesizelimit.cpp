// Exports past the process's file-size limit: the program lives on (SIGXFSZ ignored, as at
// start-up) and the export fails instead of leaving a cut-off file behind as a success.
#include "childprocess.h"

#include "foundation/fileutils.h"
#include "outputs/stepexporter.h"

#include <QFile>
#include <QTemporaryDir>

#include <BRepPrimAPI_MakeBox.hxx>

#include <gtest/gtest.h>

#include <csignal>

TEST(ExportUnderFileSizeLimit, StepFileFailsAndKeepsTheEarlierExport)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("board.step"));
    const QByteArray earlier("an earlier export");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(earlier), earlier.size());
    }
    const TopoDS_Shape part = BRepPrimAPI_MakeBox(20.0, 10.0, 5.0).Shape();
    const TestSupport::ChildOutcome outcome = TestSupport::runInChild([&] {
        FileUtils::ignoreFileSizeSignal();
        if (!TestSupport::setSoftLimit(RLIMIT_FSIZE, 4096))
            return 90;
        QString detail;
        if (StepExporter::writeStepFile(path, part, {}, &detail))
            return 1;
        return 0;
    });
    EXPECT_TRUE(outcome.succeeded()) << outcome.describe();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), earlier);
}
