#include "model/netlist.h"

QString netNameForPad(const QList<NetlistNet>& nets, const PadId& pad)
{
    if (!pad.isValid())
        return QString();
    for (const NetlistNet& net : nets) {
        for (const PadId& p : net.connectedPins) {
            if (p == pad)
                return net.netName;
        }
    }
    return QString();
}
