#include "model/netlist.h"

PinNetIndex::PinNetIndex(const QList<NetlistNet>& nets)
{
    qsizetype nodes = 0;
    for (const NetlistNet& net : nets)
        nodes += net.connectedPins.size();
    m_net.reserve(nodes);
    for (const NetlistNet& net : nets)
        for (const PadId& pin : net.connectedPins)
            if (!m_net.contains(pin)) // the first net wins
                m_net.insert(pin, net.netName);
}

PinNetIndex::PinNetIndex(const QList<NetlistNet>& nets, const QSet<PadId>& pins)
{
    m_net.reserve(pins.size());
    for (const NetlistNet& net : nets) {
        for (const PadId& pin : net.connectedPins)
            if (pins.contains(pin) && !m_net.contains(pin)) // the first net wins
                m_net.insert(pin, net.netName);
        if (m_net.size() == pins.size())
            return;
    }
}

QString PinNetIndex::netOf(const PadId& pad) const
{
    if (!pad.isValid())
        return QString();
    return m_net.value(pad);
}

QString netNameForPad(const QList<NetlistNet>& nets, const PadId& pad)
{
    if (!pad.isValid())
        return QString();
    // A scan stops at the first net listing the pad, which is the index's rule.
    for (const NetlistNet& net : nets) {
        for (const PadId& p : net.connectedPins) {
            if (p == pad)
                return net.netName;
        }
    }
    return QString();
}
