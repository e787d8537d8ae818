// One component placed without a footprint, as reported after generation or a netlist update.
#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

struct MissingFootprintInfo
{
    QString reference;           // component reference
    QString requestedFootprint;  // footprint name asked for, library prefix removed
    QString value;               // component value
    QString reason;              // why the footprint that was found cannot be used; empty when not found
};

Q_DECLARE_METATYPE(MissingFootprintInfo)
