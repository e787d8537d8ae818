// Cancel during a STEP export's last stages, as the progress window shows it: the transfer
// stops, so Cancel says only that it is cancelling; the file write cannot stop, so a Cancel
// pressed while it runs says that the file is finished first.
#include "app/progresswindow.h"
#include "outputs/stepexporter.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <BRepBuilderAPI_NurbsConvert.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Builder.hxx>
#include <TopoDS_Compound.hxx>

#include <gtest/gtest.h>

namespace {

// Enough B-spline faces that the transfer and the write each run through many reports.
TopoDS_Shape manyBlocks()
{
    BRep_Builder builder;
    TopoDS_Compound blocks;
    builder.MakeCompound(blocks);
    for (int i = 0; i < 20; ++i)
        for (int j = 0; j < 20; ++j)
            builder.Add(blocks, BRepBuilderAPI_NurbsConvert(
                                    BRepPrimAPI_MakeBox(gp_Pnt(3.0 * i, 3.0 * j, 0.0), 2.0, 2.0, 2.0).Shape())
                                    .Shape());
    return blocks;
}

TEST(ProgressWindowCancel, TellsThatItWaitsOnlyWhileTheFileIsWritten)
{
    const struct
    {
        const char* stage;
        bool whileWriting; // Cancel once the writer has opened its file, else before
        const char* label;
    } rows[] = {
        {"transfer", false, "Cancelling…"},
        {"write", true, "Cancelling… the file being written is finished first: its writer cannot be stopped midway."},
    };
    const TopoDS_Shape part = manyBlocks();
    const QByteArray previousTemp = qgetenv("TMPDIR");
    ProgressWindow::setShowDelay(0);
    for (const auto& row : rows) {
        QTemporaryDir dir;
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("tmp")));
        qputenv("TMPDIR", QFile::encodeName(dir.filePath(QStringLiteral("tmp"))));
        const QString target = dir.filePath(QStringLiteral("design.step"));

        QWidget owner;
        ProgressWindow progress(&owner, QStringLiteral("Exporting"));
        auto* dialog = owner.findChild<QDialog*>(QStringLiteral("progressWindow"));
        ASSERT_NE(dialog, nullptr);
        // Looks at the scratch folder at each turn of the events: the export writes its file
        // there, under the target's name, and nothing else does.
        bool pressed = false;
        QString atPress;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            const QDir scratchRoot(dir.filePath(QStringLiteral("tmp")));
            const QStringList scratches = scratchRoot.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
            if (pressed || scratches.isEmpty())
                return;
            const bool writing = QFileInfo::exists(scratchRoot.filePath(scratches.first() + "/design.step"));
            if (writing != row.whileWriting)
                return;
            pressed = true;
            QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                              Qt::LeftButton);
            atPress = dialog->findChild<QLabel*>()->text();
        });
        watch.start();
        QString detail;
        const bool written = StepExporter::writeStepFile(target, part, {}, &detail, progress.start());
        watch.stop();
        ASSERT_TRUE(pressed) << row.stage << ": the export ended before Cancel could be pressed";
        EXPECT_FALSE(written) << row.stage;
        EXPECT_FALSE(QFileInfo::exists(target)) << row.stage;
        // What the window says from the press to the end.
        EXPECT_EQ(atPress.toStdString(), row.label) << row.stage;
        EXPECT_EQ(dialog->findChild<QLabel*>()->text().toStdString(), row.label) << row.stage;
    }
    ProgressWindow::setShowDelay(400);
    if (previousTemp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", previousTemp);
}

} // namespace
