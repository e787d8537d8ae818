// Footprint library over KiCad's official footprint library: real names, old library
// prefixes, odd spellings, and reading every file of the library.

#include "footprintlibrarytestutil.h"
#include "testsupport.h"

#include "components/footprintmanager.h"

#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace FootprintLibraryTest;

namespace {

class KicadLibrary : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (!QFileInfo(TestSupport::kicadFootprintRoot()).isDir())
            return;
        s_library = new FootprintManager;
        s_library->addSearchPath(TestSupport::kicadFootprintRoot());
        s_library->buildFootprintIndex();
    }
    static void TearDownTestSuite()
    {
        delete s_library;
        s_library = nullptr;
    }
    void SetUp() override
    {
        if (!s_library)
            GTEST_SKIP() << "KiCad footprint library not installed";
    }
    static inline FootprintManager* s_library = nullptr;
};

struct LookupRow
{
    const char* label;
    const char* netlistName;   // as a netlist writes it
    const char* expectedFile;  // path below the library root
    int expectedPads;
};

void PrintTo(const LookupRow& row, std::ostream* out) { *out << row.netlistName; }

class KicadLookup : public KicadLibrary, public ::testing::WithParamInterface<LookupRow> {};

TEST_P(KicadLookup, FindsAndLoadsTheFootprint)
{
    const LookupRow row = GetParam();
    const QString name = FootprintManager::normalizeFootprintName(QString::fromUtf8(row.netlistName));
    const QString expected = TestSupport::kicadFootprintRoot() + QLatin1Char('/') + QString::fromUtf8(row.expectedFile);

    FoundationLogCapture quiet; // ambiguity warnings of level 2 are expected for short names
    EXPECT_EQ(s_library->findFootprintFile(name), expected);
    ASSERT_TRUE(s_library->loadFootprint(name));
    const FootprintData footprint = s_library->getFootprint(name);
    EXPECT_EQ(footprint.path, expected);
    EXPECT_EQ(footprint.copperPads.size(), row.expectedPads);
    EXPECT_FALSE(footprint.body.IsNull());
}

INSTANTIATE_TEST_SUITE_P(Names, KicadLookup, ::testing::Values(
    LookupRow{"SmdResistor", "Resistor_SMD:R_0805_2012Metric", "Resistor_SMD.pretty/R_0805_2012Metric.kicad_mod", 2},
    LookupRow{"Dip8", "Package_DIP:DIP-8_W7.62mm", "Package_DIP.pretty/DIP-8_W7.62mm.kicad_mod", 8},
    LookupRow{"OldLibraryName", "Capacitors_THT:C_Axial_L12.0mm_D6.5mm_P20.00mm_Horizontal",
              "Capacitor_THT.pretty/C_Axial_L12.0mm_D6.5mm_P20.00mm_Horizontal.kicad_mod", 2},
    LookupRow{"BlanksAndCase", "  resistor_smd:r_0805_2012METRIC \t", "Resistor_SMD.pretty/R_0805_2012Metric.kicad_mod", 2},
    LookupRow{"SeveralColons", "a:b:Package_DIP:DIP-8_W7.62mm", "Package_DIP.pretty/DIP-8_W7.62mm.kicad_mod", 8}),
    [](const ::testing::TestParamInfo<LookupRow>& info) { return std::string(info.param.label); });

TEST_F(KicadLibrary, ShortNameFallsToAnAmbiguousSubWordMatch)
{
    FoundationLogCapture capture;
    const QString path = s_library->findFootprintFile(QStringLiteral("R_0805"));
    EXPECT_TRUE(QFileInfo(path).completeBaseName().startsWith(QStringLiteral("R_0805_"))) << path.toStdString();
    EXPECT_TRUE(capture.contains(QStringLiteral("L2 ambiguity for \"R_0805\"")));
    EXPECT_TRUE(s_library->findFootprintFile(QStringLiteral("No_Such_Footprint_Anywhere")).isEmpty());
}

// Every file of the library reads to a record or a refusal, and none hangs or crashes. The
// whole library takes a few seconds through the file reader; the lookup by name, linear in
// the index, is sampled here and measured in full by the benchmark.
TEST_F(KicadLibrary, EveryFootprintLoads)
{
    QStringList paths;
    QDirIterator it(TestSupport::kicadFootprintRoot(), {QStringLiteral("*.kicad_mod")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths.append(it.next());
    ASSERT_GT(paths.size(), 10000);

    FoundationLogCapture quiet;
    FootprintManager library;
    QStringList failed;
    int withoutPads = 0;
    for (const QString& path : qAsConst(paths)) {
        if (!library.loadKicadFile(path)) {
            failed.append(path);
            continue;
        }
        const FootprintData footprint = library.getFootprint(QFileInfo(path).completeBaseName());
        if (footprint.copperPads.isEmpty())
            ++withoutPads;
        EXPECT_FALSE(footprint.body.IsNull()) << path.toStdString();
    }
    EXPECT_TRUE(failed.isEmpty()) << failed.join(QLatin1Char('\n')).toStdString();
    // Logos, test points drawn as copper, mounting marks: a few hundred at most.
    EXPECT_LT(withoutPads, paths.size() / 10);

    for (int i = 0; i < paths.size(); i += 97) {
        const QString name = QFileInfo(paths.at(i)).completeBaseName();
        EXPECT_TRUE(s_library->loadFootprint(name)) << name.toStdString();
    }
}

} // namespace
