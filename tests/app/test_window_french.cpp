// The window in French, as a French user starts it (the catalogue and its numbers installed
// before the window is made): the 3D view's cube and the explorer's tabs read French, and every
// measure on show uses the one decimal separator of the spin boxes beside it.
#include "mainwindowprobe.h"
#include "partfiles.h"
#include "testsupport.h"

#include "app/boardexplorerpanel.h"
#include "app/translationloader.h"
#include "components/componentmanager.h"
#include "outputs/printplandialog.h"
#include "view/occwidget.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_ListOfInteractive.hxx>
#include <AIS_ViewCube.hxx>

#include <QDoubleSpinBox>
#include <QLabel>
#include <QLocale>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

class WindowInFrench : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(TranslationLoader::loadFirstAvailable(m_translator, {QStringLiteral("fr_FR")}).isEmpty());
        QCoreApplication::installTranslator(&m_translator);
        TranslationLoader::useNumbersOf(m_translator.language());
        window = std::make_unique<MainWindow>();
        probe = std::make_unique<MainWindowProbe>(*window);
        window->show();
        ASSERT_TRUE(waitFor([this] { return probe->viewerReady(); }));
    }

    void TearDown() override
    {
        probe.reset();
        window.reset();
        QCoreApplication::removeTranslator(&m_translator);
        QLocale::setDefault(QLocale::system());
    }

    TestSupport::IsolatedSettings m_settings;
    QTranslator m_translator;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
};

TEST_F(WindowInFrench, CubeAndTabsReadFrench)
{
    AIS_ListOfInteractive shown;
    probe->occWidget()->context()->DisplayedObjects(shown);
    opencascade::handle<AIS_ViewCube> cube;
    for (const opencascade::handle<AIS_InteractiveObject>& object : shown)
        if (!opencascade::handle<AIS_ViewCube>::DownCast(object).IsNull())
            cube = opencascade::handle<AIS_ViewCube>::DownCast(object);
    ASSERT_FALSE(cube.IsNull());
    const struct
    {
        V3d_TypeOfOrientation side;
        const char* label;
    } sides[] = {{V3d_TypeOfOrientation_Zup_Front, "AVANT"},  {V3d_TypeOfOrientation_Zup_Back, "ARRIÈRE"},
                 {V3d_TypeOfOrientation_Zup_Left, "GAUCHE"},  {V3d_TypeOfOrientation_Zup_Right, "DROITE"},
                 {V3d_TypeOfOrientation_Zup_Top, "DESSUS"},   {V3d_TypeOfOrientation_Zup_Bottom, "DESSOUS"}};
    for (const auto& side : sides)
        EXPECT_STREQ(cube->BoxSideLabel(side.side).ToCString(), side.label);

    const QTabWidget* tabs = probe->boardExplorer()->tabs();
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Composants"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Réseaux"));
}

// The print plan window's part height and pauses beside its layer height: one decimal comma.
TEST_F(WindowInFrench, MeasuresOnShowUseTheSpinBoxesSeparator)
{
    QTemporaryDir dir;
    const QString part = dir.filePath("part.step");
    ASSERT_TRUE(PartFiles::writeStep(part, {PartFiles::box(40, 20, 29.21)}));
    ASSERT_TRUE(window->importStepFile(part));
    probe->placeResistor("R1", gp_Pnt(20.0, 10.0, 12.0));
    window->showPrintPlan();
    auto* plan = window->findChild<PrintPlanDialog*>();
    ASSERT_NE(plan, nullptr);

    QStringList shown{plan->findChild<QDoubleSpinBox*>()->text()};
    for (const QLabel* label : plan->findChildren<QLabel*>())
        if (label->text().contains(QStringLiteral(" mm")))
            shown << label->text();
    const QTableWidget* table = plan->findChild<QTableWidget*>();
    ASSERT_GT(table->rowCount(), 0);
    for (int column = 0; column < table->columnCount(); ++column)
        shown << table->item(0, column)->text();

    const QString all = shown.join(QStringLiteral(" | "));
    EXPECT_TRUE(all.contains(QStringLiteral("0,20 mm"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("29,21"))) << all.toStdString();
    EXPECT_FALSE(all.contains(QRegularExpression(QStringLiteral("\\d\\.\\d")))) << all.toStdString();
}

} // namespace
