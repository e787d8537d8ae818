#include "project/kicadnetlistreader.h"

#include "foundation/logging.h"
#include "model/netlist.h"
#include "project/sexprnode.h"

#include <QDebug>

#include <exception>
#include <limits>

namespace {

// KiCad's escape words (its string utilities' unescaping), and the characters they stand for.
QString escapeWordCharacter(QStringView word)
{
    static const struct { const char* word; const char* text; } kWords[] = {
        {"dblquote", "\""}, {"quote", "'"},  {"lt", "<"},      {"gt", ">"},     {"backslash", "\\"},
        {"slash", "/"},     {"bar", "|"},    {"comma", ","},    {"colon", ":"},  {"space", " "},
        {"dollar", "$"},    {"tab", "\t"},   {"return", "\n"},  {"brace", "{"},
    };
    for (const auto& entry : kWords) {
        if (word == QLatin1String(entry.word))
            return QString::fromLatin1(entry.text);
    }
    return QString();
}

} // namespace

QString unescapeKiCadName(const QString& name)
{
    // The shortest escape, "{lt}", has four characters.
    if (name.size() < 4 || !name.contains(QLatin1Char('{')))
        return name;
    QString out;
    out.reserve(name.size());
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = name.at(i);
        if (c != QLatin1Char('{')) {
            out += c;
            continue;
        }
        // The word runs to the matching brace; braces inside it nest.
        const QChar before = i > 0 ? name.at(i - 1) : QChar();
        qsizetype depth = 1;
        qsizetype j = i + 1;
        for (; j < n; ++j) {
            if (name.at(j) == QLatin1Char('{'))
                ++depth;
            else if (name.at(j) == QLatin1Char('}') && --depth == 0)
                break;
        }
        const QString word = name.mid(i + 1, j - i - 1);
        if (j >= n) { // never closed
            out += QLatin1Char('{') + unescapeKiCadName(word);
            break;
        }
        // Text variables, overbar, superscript and subscript markup keep their braces.
        const bool markup = before == QLatin1Char('$') || before == QLatin1Char('~')
            || before == QLatin1Char('^') || before == QLatin1Char('_');
        const QString character = markup ? QString() : escapeWordCharacter(word);
        if (character.isEmpty())
            out += QLatin1Char('{') + unescapeKiCadName(word) + QLatin1Char('}');
        else
            out += character;
        i = j;
    }
    return out;
}

namespace {

// Text of the first atom after the head in the first child list of node headed name.
QString fieldValue(const SExprNode& node, const QString& name)
{
    const SExprNode* list = node.findChildList(name);
    if (!list)
        return QString();
    for (qsizetype i = 1; i < list->children.size(); ++i) {
        const SExprNode& child = list->children.at(i);
        if (!child.isList)
            return child.atom;
    }
    return QString();
}

QString fieldValue(const SExprNode& node, const QString& name, const QString& alternative)
{
    const QString value = fieldValue(node, name);
    return value.isEmpty() ? fieldValue(node, alternative) : value;
}

void readVersion(const SExprNode& root)
{
    const SExprNode* versionNode = root.head() == QLatin1String("export")
        ? &root
        : root.findChildList(QStringLiteral("export"));
    if (!versionNode)
        return;
    const QString version =
        fieldValue(*versionNode, QStringLiteral("version"), QStringLiteral("format_version"));
    if (version.isEmpty())
        return;
    qCDebug(lcProject) << "KiCad netlist version:" << version;
    if (!knownNetlistVersions().contains(version))
        qWarning() << "Unknown netlist version (" << version << ") — parsing attempted anyway";
}

// Where a list stands: its section ("components" or "nets") directly at the top (Top), or
// inside the root's "export" list (Export). The tree keeps one "export" list and one of
// each section per level, the first, as the lookups would find them.
enum SectionLevel { NotInSection = 0, Top = 1, Export = 2 };

// outer: the heads of the lists around the list in question, the root's first. up: how
// many lists stand between the list and its section.
SectionLevel sectionLevel(const QStringList& outer, qsizetype up, const QString& section)
{
    const qsizetype at = outer.size() - 1 - up;
    if (at < 1 || outer.at(at) != section)
        return NotInSection;
    if (at == 1)
        return Top;
    if (at == 2 && outer.at(1) == QLatin1String("export"))
        return Export;
    return NotInSection;
}

// The interpreter, fed while the text is read: components, their pins, nets and their nodes
// are taken in and dropped from the tree as soon as each is complete, so that only the
// records themselves grow with the file. Each section level is collected apart; the one a
// lookup from the root would pick is chosen at the end.
class NetlistCollector
{
public:
    SExprPruning pruning()
    {
        SExprPruning pruning;
        pruning.keep = [this](const QString& head, const QStringList& outer, bool before) {
            return keep(head, outer, before);
        };
        pruning.consume = [this](const SExprNode& list, const QStringList& outer) {
            return consume(list, outer);
        };
        return pruning;
    }

    QMap<QString, NetlistComponent> components[3];
    QList<NetlistNet> nets[3];

private:
    bool isComponentPin(const QStringList& outer) const
    {
        const QString& parent = outer.last();
        if (parent == QLatin1String("comp"))
            return sectionLevel(outer, 1, QStringLiteral("components")) != NotInSection;
        return parent == QLatin1String("pins") && outer.size() >= 2
            && outer.at(outer.size() - 2) == QLatin1String("comp")
            && sectionLevel(outer, 2, QStringLiteral("components")) != NotInSection;
    }

    // Only what a lookup can reach: every comp and net of a section, every node of such a
    // net, every pin of such a comp, and otherwise the first list of each name where the
    // interpreter reads that name. The kept tree thus stays a few levels deep and narrow.
    bool keep(const QString& head, const QStringList& outer, bool before) const
    {
        if (head == QLatin1String("comp"))
            return sectionLevel(outer, 0, QStringLiteral("components")) != NotInSection;
        if (head == QLatin1String("net"))
            return sectionLevel(outer, 0, QStringLiteral("nets")) != NotInSection;
        const QString& parent = outer.last();
        if (head == QLatin1String("node"))
            return parent == QLatin1String("net") && sectionLevel(outer, 1, QStringLiteral("nets")) != NotInSection;
        if (head == QLatin1String("pin") && isComponentPin(outer))
            return true;
        if (before)
            return false;
        if (outer.size() == 1 || (outer.size() == 2 && parent == QLatin1String("export"))) {
            // The root and its export list: sections, the export list, the version.
            if (head == QLatin1String("components") || head == QLatin1String("nets"))
                return true;
            if (head == QLatin1String("export"))
                return outer.size() == 1;
            if (head == QLatin1String("version") || head == QLatin1String("format_version"))
                return parent == QLatin1String("export");
        }
        return outer.size() > 2 && readsIn(parent, head);
    }

    // The fields the interpreter reads in each kind of list. Plain comparisons: this runs for
    // every list of the file, and hashing the heads cost more than the rest of the reading.
    static bool readsIn(const QString& parent, const QString& head)
    {
        const auto is = [&head](const char* name) { return head == QLatin1String(name); };
        if (parent == QLatin1String("node"))
            return is("ref") || is("pin") || is("pin_number");
        if (parent == QLatin1String("net"))
            return is("name") || is("net_name");
        if (parent == QLatin1String("pin"))
            return is("num") || is("number") || is("name") || is("pin_name");
        if (parent == QLatin1String("comp"))
            return is("ref") || is("value") || is("footprint") || is("libsource") || is("pins");
        if (parent == QLatin1String("libsource"))
            return is("lib") || is("part");
        return false;
    }

    bool consume(const SExprNode& list, const QStringList& outer)
    {
        const QString head = list.head();
        if (head == QLatin1String("pin") && isComponentPin(outer)) {
            NetlistPin pin;
            pin.number = unescapeKiCadName(fieldValue(list, QStringLiteral("num"), QStringLiteral("number")));
            pin.name = unescapeKiCadName(fieldValue(list, QStringLiteral("name"), QStringLiteral("pin_name")));
            if (!pin.number.isEmpty())
                (outer.last() == QLatin1String("pins") ? m_listedPins : m_directPins).insert(pin.number, pin);
            return true;
        }
        if (head == QLatin1String("node")) {
            const QString ref = unescapeKiCadName(fieldValue(list, QStringLiteral("ref")));
            const QString pin =
                unescapeKiCadName(fieldValue(list, QStringLiteral("pin"), QStringLiteral("pin_number")));
            if (!ref.isEmpty() && !pin.isEmpty())
                m_nodes.append(PadId(ref, pin));
            return true;
        }
        if (head == QLatin1String("comp")) {
            takeComponent(list, sectionLevel(outer, 0, QStringLiteral("components")));
            return true;
        }
        if (head == QLatin1String("net")) {
            takeNet(list, sectionLevel(outer, 0, QStringLiteral("nets")));
            return true;
        }
        return false;
    }

    void takeComponent(const SExprNode& comp, SectionLevel level)
    {
        NetlistComponent component;
        component.ref = unescapeKiCadName(fieldValue(comp, QStringLiteral("ref")));
        component.value = unescapeKiCadName(fieldValue(comp, QStringLiteral("value")));
        component.footprint = unescapeKiCadName(fieldValue(comp, QStringLiteral("footprint")));
        if (component.footprint.isEmpty()) {
            if (const SExprNode* libsource = comp.findChildList(QStringLiteral("libsource"))) {
                const QString lib = unescapeKiCadName(fieldValue(*libsource, QStringLiteral("lib")));
                const QString part = unescapeKiCadName(fieldValue(*libsource, QStringLiteral("part")));
                if (!part.isEmpty())
                    component.footprint = lib.isEmpty() ? part : lib + QLatin1Char(':') + part;
            }
        }
        // Pins inside a "pins" list win over pins standing in the comp itself.
        component.pins = comp.findChildList(QStringLiteral("pins")) ? m_listedPins : m_directPins;
        m_listedPins.clear();
        m_directPins.clear();
        if (component.ref.isEmpty())
            return;
        qCDebug(lcProject) << "  +" << component.ref << "/" << component.footprint;
        const QString ref = component.ref;
        components[level].insert(ref, std::move(component));
    }

    void takeNet(const SExprNode& list, SectionLevel level)
    {
        NetlistNet net;
        net.netName = unescapeKiCadName(fieldValue(list, QStringLiteral("name"), QStringLiteral("net_name")));
        net.connectedPins = std::move(m_nodes);
        m_nodes = QList<PadId>();
        if (net.netName.isEmpty() || net.connectedPins.isEmpty())
            return;
        if (net.connectedPins.size() == 1)
            qCDebug(lcProject) << "  Net (1 pin, power flag?):" << net.netName;
        else
            qCDebug(lcProject) << "  Net:" << net.netName << "—" << net.connectedPins.size() << "pins";
        nets[level].append(std::move(net));
    }

    QMap<QString, NetlistPin> m_listedPins;
    QMap<QString, NetlistPin> m_directPins;
    QList<PadId> m_nodes;
};

// The level whose section a lookup from the root finds; NotInSection when there is none.
SectionLevel foundSection(const SExprNode& root, const QString& name)
{
    if (root.findChildList(name))
        return Top;
    if (const SExprNode* exportNode = root.findChildList(QStringLiteral("export")))
        return exportNode->findChildList(name) ? Export : NotInSection;
    return NotInSection;
}

} // namespace

const QStringList& knownNetlistVersions()
{
    static const QStringList versions{QStringLiteral("C"), QStringLiteral("D"),
                                      QStringLiteral("E"), QStringLiteral("F")};
    return versions;
}

bool parseKiCadSExpression(const QString& text, Netlist& out)
{
    out.clear();
    qCDebug(lcProject) << "=== parseKiCadSExpression (recursive tokenizer) ===";
    qCDebug(lcProject) << "Content size:" << text.size() << "characters";

    // Positions are ints; a text beyond that range cannot be a netlist anyway.
    if (text.size() >= std::numeric_limits<int>::max()) {
        qWarning() << "S-expression parsing error:" << "text too large";
        return false;
    }

    // The tree keeps only what the lookups below can reach; components and nets are read
    // into the collector while the text is tokenized, and kept only once it all parsed.
    SExprNode root;
    NetlistCollector collector;
    try {
        int pos = 0;
        parseSExpressionPruned(root, text, pos, collector.pruning());
    } catch (const std::exception& e) {
        qWarning() << "S-expression parsing error:" << e.what();
        return false;
    }

    if (!root.isList) {
        qWarning() << "Invalid S-expression root (not a list)";
        return false;
    }

    readVersion(root);
    if (const SectionLevel level = foundSection(root, QStringLiteral("components")))
        out.components = std::move(collector.components[level]);
    else
        qWarning() << "(components) section not found in the netlist";
    if (const SectionLevel level = foundSection(root, QStringLiteral("nets")))
        out.connections = std::move(collector.nets[level]);
    else
        qWarning() << "(nets) section not found in the netlist";

    qCDebug(lcProject) << "=== Parsing finished:" << out.components.size() << "components,"
                       << out.connections.size() << "nets ===";
    return !out.components.isEmpty();
}
