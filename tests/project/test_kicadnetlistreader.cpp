#include "logcapture.h"

#include "project/kicadnetlistreader.h"
#include "model/netlist.h"
#include "project/projectmanager.h"
#include "project/sexprnode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kNetlistDir = QStringLiteral(VTQ_TEST_DATA_DIR "/netlists/");

const QString kNoComponent = QStringLiteral("No component could be read from this netlist.");
const QString kUnrecognized =
    QStringLiteral("Unrecognized netlist format (a KiCad S-expression netlist is expected).");

QString nested(int depth, const QString& inner)
{
    return QString(depth, QLatin1Char('(')) + inner + QString(depth, QLatin1Char(')'));
}

// Writes the bytes to a file in a temporary folder and loads it.
struct LoadResult
{
    bool ok = false;
    Netlist netlist;
    QString error;
};

LoadResult loadBytes(const QByteArray& bytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("in.net"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    LoadResult result;
    result.ok = ProjectManager::loadNetlist(path, result.netlist, result.error);
    return result;
}

} // namespace

TEST(KiCadNetlistReader, ReadsKiCad6NetlistWithSheetsAndUnicode)
{
    FoundationLogCapture capture;
    Netlist netlist;
    QString error;
    ASSERT_TRUE(ProjectManager::loadNetlist(kNetlistDir + "horloge_kicad6.net", netlist, error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(capture.warnings().isEmpty()) << capture.joined().toStdString();

    EXPECT_EQ(netlist.components.size(), 38);
    EXPECT_EQ(netlist.connections.size(), 32);

    const NetlistComponent c1 = netlist.components.value("C1");
    EXPECT_EQ(c1.ref, "C1");
    EXPECT_EQ(c1.value, QString::fromUtf8("100µF"));
    EXPECT_EQ(c1.footprint, "Capacitor_THT:CP_Axial_L18.0mm_D6.5mm_P25.00mm_Horizontal");
    EXPECT_TRUE(c1.pins.isEmpty()); // KiCad 6 keeps pins in libparts only
    EXPECT_EQ(netlist.components.value("R1").value, QString::fromUtf8("470Ω"));
    EXPECT_EQ(netlist.components.value("U2").value, "PIC16F628A-I/P");

    // Map order is plain string order: C1, C2, ..., D1, ... R1, R10, R11, R12, R2, ...
    const QStringList refs = netlist.components.keys();
    EXPECT_LT(refs.indexOf("R12"), refs.indexOf("R2"));
    for (auto it = netlist.components.cbegin(); it != netlist.components.cend(); ++it)
        EXPECT_EQ(it.key(), it.value().ref);

    const NetlistNet& gnd = netlist.connections.at(0);
    EXPECT_EQ(gnd.netName, "GND");
    EXPECT_EQ(gnd.connectedPins.size(), 26);
    EXPECT_EQ(gnd.connectedPins.first(), PadId("P1", "2"));
    EXPECT_EQ(netlist.connections.at(1).netName, "+5V");

    EXPECT_EQ(netNameForPad(netlist.connections, PadId("P2", "27")), "/CLOCK-RB6");
    EXPECT_EQ(netNameForPad(netlist.connections, PadId("Y1", "1")), "/MCU/OSC1");
    EXPECT_EQ(netNameForPad(netlist.connections, PadId("U1", "1")), "/Power Supply/VIN");
    EXPECT_EQ(netNameForPad(netlist.connections, PadId("U2", "3")), "unconnected-(U2-RA4-Pad3)");

    int singlePin = 0;
    for (const NetlistNet& net : netlist.connections)
        singlePin += net.connectedPins.size() == 1 ? 1 : 0;
    EXPECT_EQ(singlePin, 5);
}

TEST(KiCadNetlistReader, ReadsKiCad5NetlistWithBareAtomsAndLibsourceFallback)
{
    Netlist netlist;
    QString error;
    ASSERT_TRUE(ProjectManager::loadNetlist(kNetlistDir + "legacy_kicad5.net", netlist, error));
    EXPECT_EQ(netlist.components.size(), 4);
    EXPECT_EQ(netlist.components.value("R1").footprint,
              "Resistors_THT:R_Axial_DIN0207_L6.3mm_D2.5mm_P10.16mm_Horizontal");
    EXPECT_EQ(netlist.components.value("C1").footprint, "device:C"); // no footprint: lib:part
    EXPECT_EQ(netlist.components.value("R1").value, "4k7");
    ASSERT_EQ(netlist.connections.size(), 3);
    EXPECT_EQ(netlist.connections.at(2).netName, "/Capteurs/DQ");
    EXPECT_EQ(netlist.connections.at(1).connectedPins,
              (QList<PadId>{{"R1", "1"}, {"U1", "3"}, {"C1", "1"}, {"J1", "3"}}));
}

TEST(KiCadNetlistReader, FileFailuresGiveTheirTexts)
{
    Netlist netlist;
    netlist.components.insert("X", NetlistComponent{"X", "", "", {}});
    QString error;
    EXPECT_FALSE(ProjectManager::loadNetlist(kNetlistDir + "does-not-exist.net", netlist, error));
    EXPECT_TRUE(error.startsWith("Unable to open the netlist file: ")) << error.toStdString();
    EXPECT_GT(error.size(), QString("Unable to open the netlist file: ").size());
    EXPECT_TRUE(netlist.isEmpty());

    QTemporaryDir folder;
    EXPECT_FALSE(ProjectManager::loadNetlist(folder.path(), netlist, error));
    EXPECT_TRUE(error.startsWith("Unable to open the netlist file: ")) << error.toStdString();

    struct Row
    {
        const char* name;
        QByteArray bytes;
        QString error;
    };
    const QList<Row> rows = {
        {"empty file", QByteArray(), kUnrecognized},
        {"leading blank without export", " (components (comp (ref R1)))", kUnrecognized},
        {"binary junk", QByteArray("\x00\x01\xff\xfe\x89PNG\r\n\x1a\n", 12), kUnrecognized},
        {"leading comment with export later", "; x\n(export (components (comp (ref R1))))",
         QString()},
        {"bare list without export", "((components (comp (ref R1))))", QString()},
        {"export only in a string", "\"(export\" (components (comp (ref R1)))", kNoComponent},
        {"root atom", "foo (export (components (comp (ref R1))))", kNoComponent},
        {"stray close paren", ") (export)", kNoComponent},
        {"truncated", "(export (version \"E\") (components (comp (ref \"R1\") (value", kNoComponent},
        {"nets but no component", "(export (nets (net (name GND) (node (ref R1) (pin 1)))))",
         kNoComponent},
        {"binary after export", QByteArray("(export (components ") + QByteArray("\x00\xff\x01", 3), kNoComponent},
    };
    for (const Row& row : rows) {
        const LoadResult result = loadBytes(row.bytes);
        EXPECT_EQ(result.ok, row.error.isEmpty()) << row.name;
        EXPECT_EQ(result.error, row.error) << row.name;
        if (!result.ok) {
            EXPECT_TRUE(result.netlist.isEmpty()) << row.name;
        }
    }
}

TEST(KiCadNetlistReader, TokenizerErrorsAreLogged)
{
    struct Row
    {
        QString text;
        QString logged;
    };
    const QList<Row> rows = {
        {"(export (comp (ref \"R1", "S-expression: missing closing quote (truncated file?)"},
        {"(export (comp (ref R1)", "S-expression: missing closing parenthesis"},
        {"(export (comp (ref R1) ; no end", "S-expression: missing closing parenthesis"},
        {"   ", "S-expression: unexpected end of file"},
        {"; only a comment", "S-expression: unexpected end of file"},
        {nested(501, "x"), "S-expression: nesting too deep (corrupt file?)"},
        {"foo", "Invalid S-expression root (not a list)"},
    };
    for (const Row& row : rows) {
        FoundationLogCapture capture;
        Netlist netlist;
        EXPECT_FALSE(parseKiCadSExpression(row.text, netlist)) << row.text.left(40).toStdString();
        EXPECT_TRUE(capture.contains(row.logged)) << capture.joined().toStdString();
        EXPECT_TRUE(netlist.isEmpty());
    }
}

TEST(KiCadNetlistReader, NestingLimitIsExact)
{
    SExprNode node;
    int pos = 0;
    const QString ok = nested(500, "x");
    EXPECT_NO_THROW(parseSExpressionNode(node, ok, pos, 0));
    EXPECT_EQ(pos, ok.size());

    SExprNode deep;
    pos = 0;
    EXPECT_THROW(parseSExpressionNode(deep, nested(501, "x"), pos, 0), std::runtime_error);

    SExprNode emptyAtLimit;
    pos = 0;
    EXPECT_NO_THROW(parseSExpressionNode(emptyAtLimit, nested(501, ""), pos, 0));

    // A hostile file of a million "(" must fail cleanly, not overflow the stack.
    SExprNode hostile;
    pos = 0;
    EXPECT_THROW(parseSExpressionNode(hostile, QString(1000000, QLatin1Char('(')), pos, 0),
                 std::runtime_error);
}

TEST(KiCadNetlistReader, AtomsQuotesAndEscapes)
{
    struct Row
    {
        QString text;
        QString atom;
        int endPos;
    };
    const QList<Row> rows = {
        {R"("a\nb")", "a\nb", 6},
        {R"("a\tb")", "a\tb", 6},
        {R"("a\"b")", "a\"b", 6},
        {R"("a\\b")", "a\\b", 6},
        {R"("a\xb")", "a\\xb", 6},
        {"\"\"", "", 2},
        {"\"line\nbreak\"", "line\nbreak", 12},
        {"bare\"quote rest", "bare\"quote", 10},
        {"  ; comment\n  atom)", "atom", 18},
        {QString::fromUtf8("\u00a0100µF "), QString::fromUtf8("100µF"), 6},
        {")", "", 0},
    };
    for (const Row& row : rows) {
        SExprNode node;
        int pos = 0;
        parseSExpressionNode(node, row.text, pos, 0);
        EXPECT_FALSE(node.isList) << row.text.toStdString();
        EXPECT_EQ(node.atom, row.atom) << row.text.toStdString();
        EXPECT_EQ(pos, row.endPos) << row.text.toStdString();
    }

    SExprNode trailingBackslash;
    int pos = 0;
    EXPECT_THROW(parseSExpressionNode(trailingBackslash, "\"abc\\", pos, 0), std::runtime_error);
}

TEST(KiCadNetlistReader, FindChildListMatchesDirectListsOnly)
{
    SExprNode root;
    int pos = 0;
    parseSExpressionNode(root, "(export comp ((comp inner)) (Comp x) (comp (ref A)) (comp (ref B)))",
                         pos, 0);
    EXPECT_EQ(root.head(), "export");
    const SExprNode* comp = root.findChildList("comp");
    ASSERT_NE(comp, nullptr);
    EXPECT_EQ(comp->children.size(), 2);
    EXPECT_EQ(comp->children.at(1).children.at(1).atom, "A");
    EXPECT_EQ(root.findChildList("inner"), nullptr);
    EXPECT_EQ(root.findChildList("ref"), nullptr);
}

TEST(KiCadNetlistReader, FieldRulesAndAlternativeNames)
{
    const QString text = QStringLiteral(R"(
(export (version "X")
  (components
    (comp (ref R1) (value 1k) (footprint "") (libsource (lib Device) (part R)))
    (comp (ref R2) (libsource (part R)))
    (comp (ref R3) (libsource (lib Device)))
    (comp (ref (x) R4) (value (nested) "2k"))
    (comp (ref U1)
      (pins (pin (num "") (number 2) (name "") (pin_name VCC)) (pin (num 10)) (pin (num 1)) (pin (name NoNumber)))
      (pin (num 99)))
    (comp (ref U2) (pin (num 5) (name A)) (pin (num 5) (name B)))
    (comp (value orphan))
    (comp (ref R1) (value 2k2) (footprint Resistor_SMD:R_0603))
    (notacomp (ref Z9)))
  (nets
    (net (code 1) (name "") (node (ref R1) (pin 1)))
    (net (code 2) (net_name ALT) (node (ref R1) (pin_number 2)) (node (ref R1) (pin_number 2)))
    (net (code 3) (name EMPTY) (node (ref R1)) (node (pin 3)))
    (net (code 4) (name ONE) (node (ref R9) (pin 1)) (foo bar))
    (something (name ignored))))
)");
    FoundationLogCapture capture;
    Netlist netlist;
    ASSERT_TRUE(parseKiCadSExpression(text, netlist));
    EXPECT_TRUE(capture.contains("Unknown netlist version ( \"X\" ) — parsing attempted anyway"))
        << capture.joined().toStdString();

    EXPECT_EQ(netlist.components.keys(), (QStringList{"R1", "R2", "R3", "R4", "U1", "U2"}));
    const NetlistComponent r1 = netlist.components.value("R1");
    EXPECT_EQ(r1.value, "2k2"); // later duplicate replaces the earlier whole
    EXPECT_EQ(r1.footprint, "Resistor_SMD:R_0603");
    EXPECT_EQ(netlist.components.value("R2").footprint, "R");
    EXPECT_EQ(netlist.components.value("R3").footprint, "");
    EXPECT_EQ(netlist.components.value("R4").value, "2k");

    const NetlistComponent u1 = netlist.components.value("U1");
    EXPECT_EQ(u1.pins.keys(), (QStringList{"1", "10", "2"})); // string order; direct pin ignored
    EXPECT_EQ(u1.pins.value("2").name, "VCC");
    EXPECT_EQ(netlist.components.value("U2").pins.value("5").name, "B");

    ASSERT_EQ(netlist.connections.size(), 2);
    EXPECT_EQ(netlist.connections.at(0).netName, "ALT");
    EXPECT_EQ(netlist.connections.at(0).connectedPins,
              (QList<PadId>{{"R1", "2"}, {"R1", "2"}}));
    EXPECT_EQ(netlist.connections.at(1).netName, "ONE");
}

TEST(KiCadNetlistReader, SectionsAtTopOrInsideExportAndMissingSections)
{
    Netlist netlist;
    // Root is a bare list holding an export list.
    EXPECT_TRUE(parseKiCadSExpression("((export (version E) (components (comp (ref A))) "
                                      "(nets (net (name N) (node (ref A) (pin 1))))))",
                                      netlist));
    EXPECT_EQ(netlist.components.size(), 1);
    EXPECT_EQ(netlist.connections.size(), 1);

    FoundationLogCapture capture;
    EXPECT_TRUE(parseKiCadSExpression("(export (version \"E\") (components (comp (ref A))))",
                                      netlist));
    EXPECT_TRUE(capture.contains("(nets) section not found in the netlist"));
    EXPECT_FALSE(capture.contains("Unknown netlist version"));
    EXPECT_TRUE(netlist.connections.isEmpty());

    FoundationLogCapture capture2;
    EXPECT_FALSE(parseKiCadSExpression("(export (version E))", netlist));
    EXPECT_TRUE(capture2.contains("(components) section not found in the netlist"));
    EXPECT_TRUE(netlist.isEmpty());
}

// The reader drops what no lookup reaches while it reads; what a lookup reaches must come
// out as if the whole tree had been built.
TEST(KiCadNetlistReader, LookupsSeeTheFirstListsWhateverSurroundsThem)
{
    struct Row
    {
        const char* name;
        QString text;
        QString components; // "ref=value:footprint[pins]" joined by spaces
        QString nets;       // "name=ref/pin,ref/pin" joined by spaces
    };
    const QList<Row> rows = {
        {"junk atoms and lists everywhere",
         "(export x y (junk (comp (ref J))) (version E) z (components a (comp b (ref A q) c (value 1 2)"
         " (value 3) (zz (pin (num 7)))) d) (nets (net e (name N) (node (ref A) (pin 1) (pin 2)) f)))",
         "A=1:[]", "N=A/1"},
        {"second sections at a level are not read",
         "(export (components (comp (ref A))) (components (comp (ref B)))"
         " (nets (net (name N) (node (ref A) (pin 1)))) (nets (net (name M) (node (ref B) (pin 1)))))",
         "A=:[]", "N=A/1"},
        {"top sections win over those inside export",
         "((export (components (comp (ref E))) (nets (net (name X) (node (ref E) (pin 1)))))"
         " (components (comp (ref T))) (nets (net (name Y) (node (ref T) (pin 2)))))",
         "T=:[]", "Y=T/2"},
        {"only the first export list",
         "((export (components (comp (ref E)))) (export (components (comp (ref F)))))", "E=:[]", ""},
        {"a pins list after direct pins still wins",
         "(export (components (comp (ref U) (pin (num 9)) (pins (pin (num 1)) (pin (num 2)))"
         " (pins (pin (num 3))))))",
         "U=:[1,2]", ""},
        {"comps and nodes out of place are not read",
         "(export (components (foo (comp (ref X))) (comp (ref A) (comp (ref Y))))"
         " (nets (node (ref A) (pin 5)) (net (name N) (foo (node (ref A) (pin 6))) (node (ref A) (pin 1))))))",
         "A=:[]", "N=A/1"},
        {"a root without head keeps its head empty",
         "((junk) export (version E) (components (comp (ref A) (footprint F))))", "A=:F[]", ""},
        {"fields after the first list of their name are ignored",
         "(export (components (comp (ref A) (ref B) (footprint (lib x)) (footprint F2)"
         " (libsource (lib L) (part P)) (libsource (part Q)))))",
         "A=:L:P[]", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FoundationLogCapture quiet;
        Netlist netlist;
        parseKiCadSExpression(row.text, netlist);
        QStringList components;
        for (const NetlistComponent& c : netlist.components)
            components << c.ref + "=" + c.value + ":" + c.footprint + "[" + QStringList(c.pins.keys()).join(",") + "]";
        QStringList nets;
        for (const NetlistNet& n : netlist.connections) {
            QStringList pads;
            for (const PadId& pad : n.connectedPins)
                pads << pad.toString();
            nets << n.netName + "=" + pads.join(",");
        }
        EXPECT_EQ(components.join(" "), row.components);
        EXPECT_EQ(nets.join(" "), row.nets);
    }
}

namespace {

qint64 procStatusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace

// A netlist of mostly junk must not cost many times its size: the tree is not built whole.
TEST(KiCadNetlistReader, PeakMemoryStaysWithinTenTimesTheFileSize)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's own bookkeeping dominates";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "the sanitizer's own bookkeeping dominates";
#endif
#endif
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (!clearRefs.open(QIODevice::WriteOnly))
        GTEST_SKIP() << "no way to reset the peak memory";

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("junk.net"));
    {
        QByteArray junk;
        junk += "(export (version E) (components (comp (ref R1) (value 1k) ";
        for (int i = 0; i < 1000000; ++i)
            junk += "a ";
        junk += ")";
        for (int i = 0; i < 200000; ++i)
            junk += "(x 1) ";
        junk += ") (nets (net (name N) (node (ref R1) (pin 1)) ";
        for (int i = 0; i < 1000000; ++i)
            junk += "b ";
        junk += ")))";
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(junk), junk.size());
    }
    const qint64 sizeKb = QFileInfo(path).size() / 1024;

    clearRefs.write("5");
    clearRefs.close();
    const qint64 before = procStatusKb("VmRSS:");
    Netlist netlist;
    QString error;
    ASSERT_TRUE(ProjectManager::loadNetlist(path, netlist, error)) << error.toStdString();
    const qint64 peak = procStatusKb("VmHWM:");
    ASSERT_GT(before, 0);
    EXPECT_EQ(netlist.components.value("R1").value, "1k");
    ASSERT_EQ(netlist.connections.size(), 1);
    EXPECT_LE(peak - before, 10 * sizeKb) << "file " << sizeKb << " kB, peak growth " << peak - before << " kB";
}

TEST(NetlistRecords, PadIdTextEqualityAndHash)
{
    EXPECT_EQ(PadId("U1", "3").toString(), "U1/3");
    EXPECT_EQ(PadId().toString(), "/");
    EXPECT_EQ(PadId("A/B", "1").toString(), "A/B/1");
    EXPECT_FALSE(PadId().isValid());
    EXPECT_FALSE(PadId("R1", "").isValid());
    EXPECT_FALSE(PadId("", "1").isValid());
    EXPECT_TRUE(PadId("R1", "1").isValid());

    EXPECT_NE(PadId("R1", "1"), PadId("r1", "1"));
    QSet<PadId> set{PadId("R1", "1"), PadId("r1", "1"), PadId("R1", "1")};
    EXPECT_EQ(set.size(), 2);
    // Swapping the fields must not collide by construction.
    EXPECT_NE(qHash(PadId("1", "R1")), qHash(PadId("R1", "1")));
}

TEST(NetlistRecords, NetNameForPadTakesTheFirstNet)
{
    const QList<NetlistNet> nets = {
        {"N1", {{"R1", "1"}, {"R2", "1"}}},
        {"N2", {{"R2", "1"}, {"R3", "2"}}},
    };
    EXPECT_EQ(netNameForPad(nets, PadId("R2", "1")), "N1");
    EXPECT_EQ(netNameForPad(nets, PadId("R3", "2")), "N2");
    EXPECT_EQ(netNameForPad(nets, PadId("R9", "1")), "");
    EXPECT_EQ(netNameForPad(nets, PadId()), "");
    EXPECT_EQ(netNameForPad({}, PadId("R1", "1")), "");
    EXPECT_EQ(netNameForPad({{"BAD", {PadId("R1", "")}}}, PadId("R1", "")), "");
}

// The index answers what the scan answers, for every pin of the real netlists and for pins
// named in several nets.
TEST(NetlistRecords, PinNetIndexFollowsTheScansRule)
{
    QList<QList<NetlistNet>> cases = {{
        {"N1", {{"R1", "1"}, {"R2", "1"}}},
        {"N2", {{"R2", "1"}, {"R3", "2"}, {"R1", "1"}}},
        {"N1", {{"R4", "1"}}},
        {"BAD", {PadId("R1", "")}},
    }};
    for (const QString& file : QDir(kNetlistDir).entryList({"*.net"})) {
        Netlist netlist;
        QString error;
        ASSERT_TRUE(ProjectManager::loadNetlist(kNetlistDir + file, netlist, error)) << file.toStdString();
        cases.append(netlist.connections);
    }
    for (const QList<NetlistNet>& nets : cases) {
        const PinNetIndex index(nets);
        QSet<PadId> everyOther;
        bool take = true;
        for (const NetlistNet& net : nets)
            for (const PadId& pin : net.connectedPins) {
                if (take)
                    everyOther.insert(pin);
                take = !take;
            }
        everyOther.insert(PadId("NOPE", "1"));
        const PinNetIndex some(nets, everyOther);
        for (const NetlistNet& net : nets)
            for (const PadId& pin : net.connectedPins) {
                EXPECT_EQ(index.netOf(pin), netNameForPad(nets, pin)) << pin.toString().toStdString();
                EXPECT_EQ(some.netOf(pin), everyOther.contains(pin) ? index.netOf(pin) : QString())
                    << pin.toString().toStdString();
            }
        EXPECT_EQ(index.netOf(PadId("NOPE", "1")), "");
        EXPECT_EQ(index.netOf(PadId("R1", "")), "");
    }
    const PinNetIndex index(cases.first());
    EXPECT_EQ(index.netOf(PadId("R1", "1")), "N1");
    EXPECT_EQ(index.netOf(PadId("R2", "1")), "N1");
    EXPECT_EQ(index.netOf(PadId("R3", "2")), "N2");
    EXPECT_EQ(PinNetIndex().netOf(PadId("R1", "1")), "");
}

namespace {

// KiCad writes the characters a name cannot hold as escape words; the program shows the name
// KiCad shows.
TEST(KiCadNetlistReader, EscapeWordsBecomeTheirCharacters)
{
    const QList<QPair<QString, QString>> rows = {
        {"/VPP{slash}MCLR", "/VPP/MCLR"},
        {"A{backslash}B", "A\\B"},
        {"{lt}RESET{gt}", "<RESET>"},
        {"say{dblquote}hi{dblquote}", "say\"hi\""},
        {"it{quote}s", "it's"},
        {"a{colon}b{comma}c{bar}d", "a:b,c|d"},
        {"x{space}y{tab}z{return}w", "x y\tz\nw"},
        {"{brace}}", "{}"},
        {"{dollar}5", "$5"},
        {"{slash}{slash}", "//"},
        // Markup and unknown words stay as written; an unclosed brace too.
        {"~{RESET}", "~{RESET}"},
        {"${VAR}", "${VAR}"},
        {"x_{slash}", "x_{slash}"},
        {"{unknown}", "{unknown}"},
        {"{sla{slash}sh}", "{sla/sh}"},
        {"open{slash", "open{slash"},
        {"{lt", "{lt"},
        {"plain", "plain"},
        {"", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(unescapeKiCadName(row.first).toStdString(), row.second.toStdString()) << row.first.toStdString();
}

TEST(KiCadNetlistReader, ReadsEscapedNamesAsKiCadShowsThem)
{
    const LoadResult r = loadBytes(
        "(export (version \"E\")\n"
        "  (components\n"
        "    (comp (ref \"U{slash}1\") (value \"PIC{slash}16\") (footprint \"Lib:SO{space}8\")\n"
        "      (pins (pin (num \"A{slash}1\") (name \"VPP{slash}MCLR\")))))\n"
        "  (nets\n"
        "    (net (code \"1\") (name \"/VPP{slash}MCLR\")\n"
        "      (node (ref \"U{slash}1\") (pin \"A{slash}1\")))\n"
        "    (net (code \"2\") (name \"{lt}A{gt}{colon}B\")\n"
        "      (node (ref \"U{slash}1\") (pin \"2\")))))\n");
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_TRUE(r.netlist.components.contains("U/1"));
    const NetlistComponent& u1 = r.netlist.components.value("U/1");
    EXPECT_EQ(u1.value, "PIC/16");
    EXPECT_EQ(u1.footprint, "Lib:SO 8");
    ASSERT_TRUE(u1.pins.contains("A/1"));
    EXPECT_EQ(u1.pins.value("A/1").name, "VPP/MCLR");
    ASSERT_EQ(r.netlist.connections.size(), 2);
    EXPECT_EQ(r.netlist.connections.at(0).netName, "/VPP/MCLR");
    EXPECT_EQ(r.netlist.connections.at(1).netName, "<A>:B");
    EXPECT_EQ(netNameForPad(r.netlist.connections, PadId("U/1", "A/1")), "/VPP/MCLR");
}

} // namespace
