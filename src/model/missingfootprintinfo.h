// Components reported after generation or a netlist update: placed without a footprint, or
// with one that only resembles the name asked for.
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

// A footprint taken because a word or a part of its file's name matched, not the whole name.
struct LooserFootprintMatch
{
    QString reference;           // component reference
    QString requestedFootprint;  // footprint name asked for, library prefix removed
    QString foundFootprint;      // base name of the file taken
    int candidates = 0;          // files that matched as loosely; the first was taken
};
