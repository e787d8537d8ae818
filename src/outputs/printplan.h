// The print plan: after which layers the printer pauses and which components go in.
#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include <algorithm>

struct PrintPlanItem
{
    QString ref;
    QString value;     // netlist value; empty when the netlist has no such reference
    QString footprint; // assigned footprint, else the carried one
    double x = 0.0;
    double y = 0.0;
    double cavityTopAbs = 0.0; // world Z of the body's top
    double cavityTopRel = 0.0; // height above the part's bottom
};

struct PrintPlanPause
{
    int layer = 0;   // the printer pauses after this layer (1-based)
    double z = 0.0;  // layer x layer height, above the part's bottom
    QList<PrintPlanItem> items; // never empty, sorted by reference
};

struct PrintPlanSkip
{
    QString ref;
    QString reason;
    int code = 0; // PrintPlanGenerator::reasonText's code
};

struct PrintPlan
{
    bool ok = false;
    QString error;
    double layerHeight = 0.0;
    int layerCount = 0;
    double zMin = 0.0;
    double zMax = 0.0;
    double partHeight = 0.0;
    QList<PrintPlanPause> pauses;        // ascending layer, one group per layer
    QList<PrintPlanItem> endInsertions;  // after the last layer
    QList<PrintPlanSkip> notHollowed;    // no cavity

    int totalInsertCount() const
    {
        qsizetype count = endInsertions.size();
        for (const PrintPlanPause& pause : pauses)
            count += pause.items.size();
        return int(count);
    }

    // Components none of whose pads and body shares material with the part: nothing of them is
    // embedded.
    int outsidePartCount() const
    {
        return int(std::count_if(notHollowed.cbegin(), notHollowed.cend(),
                                 [](const PrintPlanSkip& skip) { return skip.code == kOutsidePart; }));
    }
    static constexpr int kOutsidePart = 4;
    static constexpr int kCavityNotCut = 5;
};

Q_DECLARE_METATYPE(PrintPlan)
