// The missing-footprints dialog, on the offscreen platform.
#include "testsupport.h"

#include "app/missingfootprintsdialog.h"
#include "foundation/uitheme.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using TestSupport::buttonLabelled;

const QString kKicad = QStringLiteral("/usr/share/kicad/footprints");
// A name KiCad's library had before its pads were resized; the library now holds
// R_1206_3216Metric_Pad1.30x1.75mm_HandSolder.
const char* const kRenamed = "R_1206_3216Metric_Pad1.24x1.80mm_HandSolder";

QList<MissingFootprintInfo> oneMissing(const QString& value)
{
    MissingFootprintInfo info;
    info.reference = QStringLiteral("R1");
    info.value = value;
    info.requestedFootprint = QStringLiteral("R_0603");
    return {info};
}

// The references come in natural order, the first in bold in the error colour.
TEST(MissingFootprintsDialog, ShowsTheComponentsWithoutFootprint)
{
    QList<MissingFootprintInfo> missing;
    for (const char* ref : {"D10", "D2", "D1"}) {
        missing << oneMissing(QStringLiteral("10k")).first();
        missing.last().reference = QString::fromUtf8(ref);
    }
    MissingFootprintsDialog dialog(missing, {kKicad});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("⚠ Missing footprints"));
    bool titleFound = false;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        titleFound |= label->text() == QStringLiteral("3 component(s) without footprint");
    EXPECT_TRUE(titleFound);

    auto* table = dialog.findChild<QTableWidget*>();
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->rowCount(), 3);
    ASSERT_EQ(table->columnCount(), 3);
    EXPECT_EQ(table->horizontalHeaderItem(2)->text(), QStringLiteral("Requested footprint"));
    QStringList refs;
    for (int row = 0; row < table->rowCount(); ++row)
        refs << table->item(row, 0)->text();
    EXPECT_EQ(refs, (QStringList{"D1", "D2", "D10"}));
    EXPECT_TRUE(table->item(0, 0)->font().bold());
    EXPECT_EQ(table->item(0, 0)->foreground().color(), UiTheme::errorColor(dialog.palette()));
    EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("10k"));
    EXPECT_EQ(table->item(0, 2)->text(), QStringLiteral("R_0603"));
    EXPECT_EQ(table->item(0, 2)->toolTip(), QStringLiteral("R_0603"));
}

TEST(MissingFootprintsDialog, FollowsADarkTheme)
{
    const QPalette previous = QApplication::palette();
    QPalette dark = previous;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    QApplication::setPalette(dark);
    {
        MissingFootprintsDialog dialog(oneMissing(QStringLiteral("10k")), {kKicad});
        const QColor error(QStringLiteral("#FF7B72"));
        EXPECT_EQ(dialog.findChild<QTableWidget*>()->item(0, 0)->foreground().color(), error);
        QStringList styled;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            styled << label->text() + label->styleSheet();
        EXPECT_TRUE(styled.join(QLatin1Char('|')).contains(QStringLiteral("color:#ff7b72;\">RED</b>")));
        EXPECT_TRUE(styled.join(QLatin1Char('|')).contains(QStringLiteral("color: #f0883e")));
    }
    QApplication::setPalette(previous);
}

TEST(MissingFootprintsDialog, CopiesTheListAndStaysOpen)
{
    for (const auto& [value, expected] : {std::pair{"10k", "=== Missing footprints ===\n\nR1 (10k) : R_0603\n"},
                                          std::pair{"", "=== Missing footprints ===\n\nR1 () : R_0603\n"}}) {
        MissingFootprintsDialog dialog(oneMissing(QString::fromUtf8(value)), {kKicad});
        dialog.show();
        QApplication::clipboard()->setText(QStringLiteral("before"));
        QPushButton* copy = buttonLabelled(&dialog, QStringLiteral("📋 Copy the list"));
        ASSERT_NE(copy, nullptr);
        copy->click();
        EXPECT_EQ(QApplication::clipboard()->text().toStdString(), expected);
        EXPECT_TRUE(dialog.isVisible());
    }
}

// The advice follows the lookup: no folder set, folders that hold no file of the name (KiCad
// renamed the footprint), or a file found but refused; KiCad's library is named only where the
// folders do not hold it. Every answer offers the folders.
TEST(MissingFootprintsDialog, AdviceFollowsWhatTheLookupFound)
{
    const QString none =
        QStringLiteral("None of the %1 footprint folder(s) holds a file of the name the netlist asks for.");
    const struct
    {
        QStringList folders;
        const char* reason; // why a file found was refused
        QString cause;      // the bold line under the explanation
        const char* firstStep;
        bool namesKicad;
    } rows[] = {
        {{}, "", "No footprint folder is set, so no footprint could be looked for.", "Add the folder", true},
        {{kKicad}, "", none.arg(1), "Missing components appear", false},
        {{"/tmp", "/usr/share/kicad/"}, "", none.arg(2), "Missing components appear", false},
        {{"/opt/parts.pretty"}, "", none.arg(1), "Missing components appear", true},
        {{kKicad}, "10001 copper pads", QString(), "Missing components appear", false},
    };
    ASSERT_EQ(MissingFootprintsDialog::kicadFootprintFolder(), kKicad) << "where Debian's kicad-footprints puts it";
    for (const auto& row : rows) {
        QList<MissingFootprintInfo> missing = oneMissing(QStringLiteral("10k"));
        missing[0].requestedFootprint = QString::fromUtf8(kRenamed);
        missing[0].reason = QString::fromUtf8(row.reason);
        MissingFootprintsDialog dialog(missing, row.folders);
        QString cause;
        QString help;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->text().startsWith(QStringLiteral("💡")))
                help = label->text();
            else if (label->text().contains(QStringLiteral("footprint folder")))
                cause = label->text();
        }
        const QString trace = row.folders.join(',') + QLatin1Char(' ') + QString::fromUtf8(row.reason);
        EXPECT_EQ(cause.toStdString(), row.cause.toStdString());
        EXPECT_TRUE(help.contains(QStringLiteral("<br>1. ") + row.firstStep)) << trace.toStdString();
        EXPECT_EQ(help.contains(QStringLiteral("KiCad's own library is in /usr/share/kicad/footprints.")),
                  row.namesKicad) << trace.toStdString();
        dialog.show();
        buttonLabelled(&dialog, QStringLiteral("Footprint folders…"))->click();
        EXPECT_EQ(dialog.result(), MissingFootprintsDialog::ChooseFootprintFolders);
    }
}

TEST(MissingFootprintsDialog, EnterContinues)
{
    MissingFootprintsDialog dialog(oneMissing(QStringLiteral("10k")), {kKicad});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &dialog, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

} // namespace
