// The window in French, as a French user starts it (the catalogue and its numbers installed
// before the window is made): the 3D view's cube and the explorer's tabs read French, and the
// print plan's measures use the one decimal separator of the spin box beside them.
#include "mainwindowprobe.h"
#include "partfiles.h"
#include "testsupport.h"

#include "app/boardexplorerpanel.h"
#include "app/translationloader.h"
#include "outputs/printplandialog.h"
#include "view/occwidget.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_ListOfInteractive.hxx>
#include <AIS_ViewCube.hxx>

#include <QDoubleSpinBox>
#include <QLocale>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTranslator>

#include <gtest/gtest.h>

TEST(WindowInFrench, ReadsFrenchWithOneDecimalSeparator)
{
    TestSupport::IsolatedSettings settings;
    QTranslator french;
    ASSERT_FALSE(TranslationLoader::loadFirstAvailable(french, {QStringLiteral("fr_FR")}).isEmpty());
    QCoreApplication::installTranslator(&french);
    TranslationLoader::useNumbersOf(french.language());
    struct Restore
    {
        QTranslator& translator;
        ~Restore()
        {
            QCoreApplication::removeTranslator(&translator);
            QLocale::setDefault(QLocale::system());
        }
    } restore{french};
    MainWindow window;
    MainWindowProbe probe(window);
    window.show();
    ASSERT_TRUE(waitFor([&] { return probe.viewerReady(); }));

    AIS_ListOfInteractive shown;
    probe.occWidget()->context()->DisplayedObjects(shown);
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
    const QTabWidget* tabs = probe.boardExplorer()->tabs();
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Composants"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Réseaux"));

    // The print plan's part height and pause beside its layer height.
    QTemporaryDir dir;
    const QString part = dir.filePath("part.step");
    ASSERT_TRUE(PartFiles::writeStep(part, {PartFiles::box(40, 20, 29.21)}));
    ASSERT_TRUE(window.importStepFile(part));
    probe.placeResistor("R1", gp_Pnt(20.0, 10.0, 12.0));
    window.showPrintPlan();
    auto* plan = window.findChild<PrintPlanDialog*>();
    ASSERT_NE(plan, nullptr);
    QStringList measures{plan->findChild<QDoubleSpinBox*>()->text()};
    for (const QLabel* label : plan->findChildren<QLabel*>())
        if (label->text().contains(QStringLiteral(" mm")))
            measures << label->text();
    const QTableWidget* table = plan->findChild<QTableWidget*>();
    ASSERT_GT(table->rowCount(), 0);
    for (int column = 0; column < table->columnCount(); ++column)
        measures << table->item(0, column)->text();
    const QString all = measures.join(QStringLiteral(" | "));
    EXPECT_TRUE(all.contains(QStringLiteral("0,20 mm"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("29,21"))) << all.toStdString();
    EXPECT_FALSE(all.contains(QRegularExpression(QStringLiteral("\\d\\.\\d")))) << all.toStdString();
}
