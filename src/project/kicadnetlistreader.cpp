#include "project/kicadnetlistreader.h"

#include "foundation/logging.h"
#include "model/netlist.h"
#include "project/sexprnode.h"

#include <QDebug>

#include <exception>
#include <limits>

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

// A section at the top, or else inside the root's "export" list.
const SExprNode* findSection(const SExprNode& root, const QString& name)
{
    if (const SExprNode* section = root.findChildList(name))
        return section;
    if (const SExprNode* exportNode = root.findChildList(QStringLiteral("export")))
        return exportNode->findChildList(name);
    return nullptr;
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

NetlistComponent readComponent(const SExprNode& comp)
{
    NetlistComponent component;
    component.ref = fieldValue(comp, QStringLiteral("ref"));
    component.value = fieldValue(comp, QStringLiteral("value"));
    component.footprint = fieldValue(comp, QStringLiteral("footprint"));

    if (component.footprint.isEmpty()) {
        if (const SExprNode* libsource = comp.findChildList(QStringLiteral("libsource"))) {
            const QString lib = fieldValue(*libsource, QStringLiteral("lib"));
            const QString part = fieldValue(*libsource, QStringLiteral("part"));
            if (!part.isEmpty())
                component.footprint = lib.isEmpty() ? part : lib + QLatin1Char(':') + part;
        }
    }

    const SExprNode* pinsNode = comp.findChildList(QStringLiteral("pins"));
    const SExprNode& pinHolder = pinsNode ? *pinsNode : comp;
    for (const SExprNode& child : pinHolder.children) {
        if (child.head() != QLatin1String("pin"))
            continue;
        NetlistPin pin;
        pin.number = fieldValue(child, QStringLiteral("num"), QStringLiteral("number"));
        pin.name = fieldValue(child, QStringLiteral("name"), QStringLiteral("pin_name"));
        if (!pin.number.isEmpty())
            component.pins.insert(pin.number, pin);
    }
    return component;
}

void readComponents(const SExprNode& root, Netlist& out)
{
    const SExprNode* section = findSection(root, QStringLiteral("components"));
    if (!section) {
        qWarning() << "(components) section not found in the netlist";
        return;
    }
    for (const SExprNode& child : section->children) {
        if (child.head() != QLatin1String("comp"))
            continue;
        NetlistComponent component = readComponent(child);
        if (component.ref.isEmpty())
            continue;
        qCDebug(lcProject) << "  +" << component.ref << "/" << component.footprint;
        const QString ref = component.ref;
        out.components.insert(ref, std::move(component));
    }
}

void readNets(const SExprNode& root, Netlist& out)
{
    const SExprNode* section = findSection(root, QStringLiteral("nets"));
    if (!section) {
        qWarning() << "(nets) section not found in the netlist";
        return;
    }
    for (const SExprNode& child : section->children) {
        if (child.head() != QLatin1String("net"))
            continue;
        NetlistNet net;
        net.netName = fieldValue(child, QStringLiteral("name"), QStringLiteral("net_name"));
        if (net.netName.isEmpty())
            continue;
        for (const SExprNode& node : child.children) {
            if (node.head() != QLatin1String("node"))
                continue;
            const QString ref = fieldValue(node, QStringLiteral("ref"));
            const QString pin = fieldValue(node, QStringLiteral("pin"), QStringLiteral("pin_number"));
            if (!ref.isEmpty() && !pin.isEmpty())
                net.connectedPins.append(PadId(ref, pin));
        }
        if (net.connectedPins.isEmpty())
            continue;
        if (net.connectedPins.size() == 1)
            qCDebug(lcProject) << "  Net (1 pin, power flag?):" << net.netName;
        else
            qCDebug(lcProject) << "  Net:" << net.netName << "—" << net.connectedPins.size() << "pins";
        out.connections.append(std::move(net));
    }
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

    SExprNode root;
    try {
        int pos = 0;
        parseSExpressionNode(root, text, pos, 0);
    } catch (const std::exception& e) {
        qWarning() << "S-expression parsing error:" << e.what();
        return false;
    }

    if (!root.isList) {
        qWarning() << "Invalid S-expression root (not a list)";
        return false;
    }

    readVersion(root);
    readComponents(root, out);
    readNets(root, out);

    qCDebug(lcProject) << "=== Parsing finished:" << out.components.size() << "components,"
                       << out.connections.size() << "nets ===";
    return !out.components.isEmpty();
}
