// Theme-aware status colours and the program's logging categories.
#include "logcapture.h"

#include "foundation/logging.h"
#include "foundation/uitheme.h"

#include <QLabel>
#include <QPalette>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

QPalette paletteWithWindow(const QColor& window)
{
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    return palette;
}

} // namespace

TEST(UiTheme, DarknessThresholdIsLightness128)
{
    EXPECT_TRUE(UiTheme::isDark(paletteWithWindow(QColor(127, 127, 127))));
    EXPECT_FALSE(UiTheme::isDark(paletteWithWindow(QColor(128, 128, 128))));
    EXPECT_TRUE(UiTheme::isDark(paletteWithWindow(QColor("#1e1e1e"))));
    EXPECT_FALSE(UiTheme::isDark(paletteWithWindow(QColor("#f0f0f0"))));
    // Lightness, not value: a saturated blue is dark even though its HSV value is high.
    EXPECT_TRUE(UiTheme::isDark(paletteWithWindow(QColor(0, 0, 200))));
}

TEST(UiTheme, StatusColoursPerTheme)
{
    const QPalette dark = paletteWithWindow(QColor(30, 30, 30));
    const QPalette light = paletteWithWindow(QColor(240, 240, 240));
    EXPECT_EQ(UiTheme::errorColor(dark), QColor("#FF7B72"));
    EXPECT_EQ(UiTheme::errorColor(light), QColor("#D13438"));
    EXPECT_EQ(UiTheme::successColor(dark), QColor("#3FB950"));
    EXPECT_EQ(UiTheme::successColor(light), QColor("#1A7F37"));
    EXPECT_EQ(UiTheme::warningColor(dark), QColor("#F0883E"));
    EXPECT_EQ(UiTheme::warningColor(light), QColor("#B45309"));
    for (const QPalette* p : {&dark, &light})
        for (const QColor& c : {UiTheme::errorColor(*p), UiTheme::successColor(*p), UiTheme::warningColor(*p)})
            EXPECT_EQ(c.alpha(), 255);
}

TEST(UiTheme, LabelStyleSheetText)
{
    const QColor red("#D13438");
    EXPECT_EQ(UiTheme::labelStyleSheet(red, QString()), "QLabel { color: #d13438; }");
    EXPECT_EQ(UiTheme::labelStyleSheet(red, "   "), "QLabel { color: #d13438; }");
    EXPECT_EQ(UiTheme::labelStyleSheet(red, "font-weight: bold"), "QLabel { color: #d13438; font-weight: bold; }");
    EXPECT_EQ(UiTheme::labelStyleSheet(red, "  font-weight: bold;  "), "QLabel { color: #d13438; font-weight: bold; }");
    EXPECT_EQ(UiTheme::labelStyleSheet(QColor(0x1A, 0x7F, 0x37), "font-weight: bold; font-size: 14px"),
              "QLabel { color: #1a7f37; font-weight: bold; font-size: 14px; }");
}

TEST(UiTheme, MutedAndNormalForeground)
{
    QLabel label("hint");
    const QColor normal = label.palette().color(label.foregroundRole());
    UiTheme::setMuted(&label);
    EXPECT_EQ(label.foregroundRole(), QPalette::PlaceholderText);
    UiTheme::setNormal(&label);
    EXPECT_EQ(label.foregroundRole(), QPalette::WindowText);
    EXPECT_EQ(label.palette().color(label.foregroundRole()), normal);
    UiTheme::setMuted(nullptr);
    UiTheme::setNormal(nullptr);
}

namespace {

struct CategoryRow
{
    const QLoggingCategory& (*accessor)();
    const char* name;
};

const CategoryRow kCategories[] = {
    {&lcFootprint, "vantorquelle.footprint"}, {&lcComponent, "vantorquelle.component"},
    {&lcProject, "vantorquelle.project"},     {&lcExport, "vantorquelle.export"},
    {&lcViewer, "vantorquelle.viewer"},       {&lcRouting, "vantorquelle.routing"},
    {&lcGeometry, "vantorquelle.geometry"},   {&lcUi, "vantorquelle.ui"},
};

} // namespace

TEST(Logging, DebugOffInfoOnByDefault)
{
    QLoggingCategory::setFilterRules(QString());
    FoundationLogCapture log;
    for (const CategoryRow& row : kCategories) {
        EXPECT_STREQ(row.accessor().categoryName(), row.name);
        EXPECT_FALSE(row.accessor().isDebugEnabled()) << row.name;
        EXPECT_TRUE(row.accessor().isInfoEnabled()) << row.name;
        EXPECT_TRUE(row.accessor().isWarningEnabled()) << row.name;
        qCDebug(row.accessor) << "hidden";
    }
    qWarning() << "shown";
    ASSERT_EQ(log.messages().size(), 1);
    EXPECT_EQ(log.messages().first().text, "shown");
}

TEST(Logging, PrefixRuleEnablesAllCategories)
{
    DebugRulesEnabled debug;
    FoundationLogCapture log;
    for (const CategoryRow& row : kCategories)
        qCDebug(row.accessor) << "trace";
    ASSERT_EQ(log.messages().size(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(log.messages().at(i).category, kCategories[i].name);
        EXPECT_EQ(log.messages().at(i).text, "trace");
    }
}

// Work run side by side logs from every thread at once (each volume of an export as it is
// built): the capture keeps every message, and crashed on such runs when it took them unguarded.
TEST(Logging, CaptureKeepsMessagesOfManyThreadsAtOnce)
{
    constexpr int kThreads = 4, kEach = 20000;
    FoundationLogCapture log;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < kEach; ++i)
                qWarning() << "side by side" << i;
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(log.warnings().size(), kThreads * kEach);
}
