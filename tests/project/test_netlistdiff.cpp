// What differs between two netlists beyond the placed components.
#include "project/netlistdiff.h"

#include "model/netlist.h"

#include <gtest/gtest.h>

namespace {

PadId pad(const char* text)
{
    const QStringList parts = QString::fromLatin1(text).split(QLatin1Char('/'));
    return PadId(parts.at(0), parts.at(1));
}

NetlistNet net(const char* name, std::initializer_list<const char*> pads)
{
    NetlistNet n;
    n.netName = QString::fromLatin1(name);
    for (const char* p : pads)
        n.connectedPins << pad(p);
    return n;
}

NetlistComponent component(const char* ref, const char* value, const char* footprint = "R_0805")
{
    NetlistComponent c;
    c.ref = QString::fromLatin1(ref);
    c.value = QString::fromLatin1(value);
    c.footprint = QString::fromLatin1(footprint);
    c.pins.insert(QStringLiteral("1"), {QStringLiteral("1"), QStringLiteral("~")});
    c.pins.insert(QStringLiteral("2"), {QStringLiteral("2"), QStringLiteral("~")});
    return c;
}

Netlist base()
{
    Netlist n;
    for (const NetlistComponent& c : {component("R1", "10k"), component("R2", "1k"), component("C1", "100n")})
        n.components.insert(c.ref, c);
    n.connections << net("GND", {"R1/2", "C1/2"}) << net("VCC", {"R1/1", "R2/1"}) << net("OUT", {"R2/2", "C1/1"});
    return n;
}

struct DiffCase
{
    const char* name;
    std::function<void(Netlist&)> change;
    QStringList added, removed, rewired, values;
    bool other;
};

void PrintTo(const DiffCase& c, std::ostream* os)
{
    *os << c.name;
}

class NetlistDiff : public ::testing::TestWithParam<DiffCase>
{
};

TEST_P(NetlistDiff, ReportsWhatChanged)
{
    const DiffCase& c = GetParam();
    Netlist next = base();
    c.change(next);
    const NetlistContentChanges changes = compareNetlistContents(base(), next);
    EXPECT_EQ(changes.netsAdded, c.added);
    EXPECT_EQ(changes.netsRemoved, c.removed);
    EXPECT_EQ(changes.netsRewired, c.rewired);
    EXPECT_EQ(changes.valuesChanged, c.values);
    EXPECT_EQ(changes.otherDetails, c.other);
    EXPECT_EQ(changes.isEmpty(), c.added.isEmpty() && c.removed.isEmpty() && c.rewired.isEmpty()
                                     && c.values.isEmpty() && !c.other);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, NetlistDiff,
    ::testing::Values(
        DiffCase{"Identical", [](Netlist&) {}, {}, {}, {}, {}, false},
        DiffCase{"NetAdded", [](Netlist& n) { n.connections << net("SENSE", {"R2/2"}); }, {"SENSE"}, {}, {}, {}, false},
        DiffCase{"NetRemoved", [](Netlist& n) { n.connections.removeAt(1); }, {}, {"VCC"}, {}, {}, false},
        DiffCase{"PadMovedBetweenNets",
                 [](Netlist& n) {
                     n.connections[0] = net("GND", {"R1/2"});
                     n.connections[2] = net("OUT", {"R2/2", "C1/1", "C1/2"});
                 },
                 {}, {}, {"GND", "OUT"}, {}, false},
        DiffCase{"NetRenamed", [](Netlist& n) { n.connections[2].netName = QStringLiteral("AUDIO"); },
                 {"AUDIO"}, {"OUT"}, {}, {}, false},
        DiffCase{"ValuesChanged",
                 [](Netlist& n) {
                     n.components[QStringLiteral("R2")].value = QStringLiteral("2k2");
                     n.components[QStringLiteral("C1")].value = QStringLiteral("47n");
                 },
                 {}, {}, {}, {"C1", "R2"}, false},
        DiffCase{"PinNameOnly", [](Netlist& n) { n.components[QStringLiteral("R1")].pins[QStringLiteral("1")].name = QStringLiteral("A"); },
                 {}, {}, {}, {}, true},
        DiffCase{"LibraryPrefixOnly",
                 [](Netlist& n) { n.components[QStringLiteral("R1")].footprint = QStringLiteral("Resistor_SMD:R_0805"); },
                 {}, {}, {}, {}, true},
        DiffCase{"NodeOrderOnly", [](Netlist& n) { n.connections[0] = net("GND", {"C1/2", "R1/2"}); },
                 {}, {}, {}, {}, true},
        DiffCase{"NetOrderOnly", [](Netlist& n) { n.connections.move(0, 2); }, {}, {}, {}, {}, true},
        DiffCase{"SplitNetOfOneNameIsOneNet",
                 [](Netlist& n) {
                     n.connections[0] = net("GND", {"R1/2"});
                     n.connections << net("GND", {"C1/2"});
                 },
                 {}, {}, {}, {}, true}),
    [](const ::testing::TestParamInfo<DiffCase>& info) { return std::string(info.param.name); });

} // namespace
