// The missing-footprints dialog, on the offscreen platform.
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

QPushButton* buttonLabelled(QWidget* parent, const QString& text)
{
    for (QPushButton* button : parent->findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

QList<MissingFootprintInfo> oneMissing(const QString& value)
{
    MissingFootprintInfo info;
    info.reference = QStringLiteral("R1");
    info.value = value;
    info.requestedFootprint = QStringLiteral("R_0603");
    return {info};
}

TEST(MissingFootprintsDialog, ShowsTheComponentsWithoutFootprint)
{
    MissingFootprintsDialog dialog(oneMissing(QStringLiteral("10k")));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("⚠ Missing footprints"));
    bool titleFound = false;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        titleFound |= label->text() == QStringLiteral("1 component(s) without footprint");
    EXPECT_TRUE(titleFound);

    auto* table = dialog.findChild<QTableWidget*>();
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->rowCount(), 1);
    ASSERT_EQ(table->columnCount(), 3);
    EXPECT_EQ(table->horizontalHeaderItem(2)->text(), QStringLiteral("Requested footprint"));
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("R1"));
    EXPECT_TRUE(table->item(0, 0)->font().bold());
    EXPECT_EQ(table->item(0, 0)->foreground().color(), UiTheme::errorColor(dialog.palette()));
    EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("10k"));
    EXPECT_EQ(table->item(0, 2)->text(), QStringLiteral("R_0603"));
    EXPECT_EQ(table->item(0, 2)->toolTip(), QStringLiteral("R_0603"));
}

TEST(MissingFootprintsDialog, ListsTheReferencesInNaturalOrder)
{
    QList<MissingFootprintInfo> missing;
    for (const char* ref : {"D10", "D2", "D1"}) {
        MissingFootprintInfo info = oneMissing(QStringLiteral("x")).first();
        info.reference = QString::fromUtf8(ref);
        missing << info;
    }
    MissingFootprintsDialog dialog(missing);
    auto* table = dialog.findChild<QTableWidget*>();
    ASSERT_NE(table, nullptr);
    QStringList refs;
    for (int row = 0; row < table->rowCount(); ++row)
        refs << table->item(row, 0)->text();
    EXPECT_EQ(refs, (QStringList{"D1", "D2", "D10"}));
}

TEST(MissingFootprintsDialog, FollowsADarkTheme)
{
    const QPalette previous = QApplication::palette();
    QPalette dark = previous;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    QApplication::setPalette(dark);
    {
        MissingFootprintsDialog dialog(oneMissing(QStringLiteral("10k")));
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

struct ClipboardRow { const char* label; const char* value; const char* expected; };
void PrintTo(const ClipboardRow& row, std::ostream* out) { *out << row.label; }

class MissingFootprintsCopy : public ::testing::TestWithParam<ClipboardRow> {};

TEST_P(MissingFootprintsCopy, CopiesTheListAndStaysOpen)
{
    MissingFootprintsDialog dialog(oneMissing(QString::fromUtf8(GetParam().value)));
    dialog.show();
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QPushButton* copy = buttonLabelled(&dialog, QStringLiteral("📋 Copy the list"));
    ASSERT_NE(copy, nullptr);
    copy->click();
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8(GetParam().expected));
    EXPECT_TRUE(dialog.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Rows, MissingFootprintsCopy, ::testing::Values(
    ClipboardRow{"WithValue", "10k", "=== Missing footprints ===\n\nR1 (10k) : R_0603\n"},
    ClipboardRow{"EmptyValue", "", "=== Missing footprints ===\n\nR1 () : R_0603\n"}),
    [](const ::testing::TestParamInfo<ClipboardRow>& info) { return std::string(info.param.label); });

// The guide says where footprints come from and offers the folders; with no folder set, the
// dialog says so first.
TEST(MissingFootprintsDialog, NamesTheFootprintFoldersAndOffersThem)
{
    const auto texts = [](const MissingFootprintsDialog& dialog) {
        QStringList all;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            all << label->text();
        return all.join(QLatin1Char('|'));
    };
    ASSERT_EQ(MissingFootprintsDialog::kicadFootprintFolder(), QStringLiteral("/usr/share/kicad/footprints"))
        << "Debian's kicad-footprints installs KiCad's library there";
    for (const bool foldersSet : {true, false}) {
        SCOPED_TRACE(foldersSet ? "folders set" : "no folder");
        MissingFootprintsDialog dialog(oneMissing(QStringLiteral("10k")), nullptr, foldersSet);
        const QString shown = texts(dialog);
        EXPECT_TRUE(shown.contains(QStringLiteral("<b>Edit › Footprint folders…</b>")));
        EXPECT_TRUE(shown.contains(QStringLiteral("KiCad's own library is in /usr/share/kicad/footprints.")));
        EXPECT_EQ(shown.contains(QStringLiteral("No footprint folder is set")), !foldersSet);

        dialog.show();
        QPushButton* folders = buttonLabelled(&dialog, QStringLiteral("Footprint folders…"));
        ASSERT_NE(folders, nullptr);
        folders->click();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), MissingFootprintsDialog::ChooseFootprintFolders);
    }
}

TEST(MissingFootprintsDialog, EnterContinues)
{
    MissingFootprintsDialog dialog(oneMissing(QStringLiteral("10k")));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &dialog, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

} // namespace
