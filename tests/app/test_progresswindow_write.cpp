// Cancel in a STEP export's last stages, as the progress window tells it: the transfer and the
// file write are both left to end alone, so Cancel acts at once in either and never says it waits.
#include "app/progresswindow.h"
#include "outputs/stepexporter.h"

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

TEST(ProgressWindowCancel, ActsAtOnceWhileTheFileIsTranslatedOrWritten)
{
    BRep_Builder builder; // enough B-spline faces for many reports in the transfer and the write
    TopoDS_Compound part;
    builder.MakeCompound(part);
    for (int i = 0; i < 400; ++i) {
        const TopoDS_Shape block = BRepPrimAPI_MakeBox(gp_Pnt(3 * (i % 20), 3 * (i / 20), 0), 2, 2, 2).Shape();
        builder.Add(part, BRepBuilderAPI_NurbsConvert(block).Shape());
    }
    const struct
    {
        bool whileWriting; // pressed once the writer has made its file, else before
        const char* label;
    } rows[] = {{false, "Cancelling…"}, {true, "Cancelling…"}};
    const QByteArray previousTemp = qgetenv("TMPDIR");
    ProgressWindow::setShowDelay(0);
    for (const auto& row : rows) {
        QTemporaryDir dir;
        const QDir scratchRoot(dir.filePath(QStringLiteral("tmp")));
        ASSERT_TRUE(scratchRoot.mkpath(QStringLiteral(".")));
        qputenv("TMPDIR", QFile::encodeName(scratchRoot.path()));
        QWidget owner;
        ProgressWindow progress(&owner, QStringLiteral("Exporting"));
        auto* dialog = owner.findChild<QDialog*>(QStringLiteral("progressWindow"));
        QString atPress; // what the window says the moment Cancel is pressed
        QTimer watch; // at each turn of the events: the export writes its file in its scratch folder
        QObject::connect(&watch, &QTimer::timeout, [&] {
            const QStringList scratch = scratchRoot.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
            if (!atPress.isNull() || scratch.isEmpty()
                || QFileInfo::exists(scratchRoot.filePath(scratch.first() + "/design.step")) != row.whileWriting)
                return;
            QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                              Qt::LeftButton);
            atPress = dialog->findChild<QLabel*>()->text();
        });
        watch.start(0);
        const QString target = dir.filePath(QStringLiteral("design.step"));
        EXPECT_FALSE(StepExporter::writeStepFile(target, part, {}, nullptr, progress.start()));
        EXPECT_FALSE(QFileInfo::exists(target));
        EXPECT_EQ(atPress.toStdString(), row.label);
        EXPECT_EQ(dialog->findChild<QLabel*>()->text().toStdString(), row.label) << "at the end";
    }
    ProgressWindow::setShowDelay(400);
    previousTemp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", previousTemp);
}
