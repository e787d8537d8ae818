// Computes the print plan of a design and renders it as a text report or a CSV table.
// Stateless; texts are translated in the contexts "PrintPlanGenerator" and "PrintPlan".
#pragma once

#include "outputs/printplan.h"

#include <QMap>
#include <QSet>
#include <QString>

#include <Bnd_Box.hxx>
#include <TopoDS_Shape.hxx>

struct NetlistComponent;
struct PlacedComponentData;

// The part's tight box takes a tenth of a second and more on a part of many B-spline solids,
// and the plan is made again at each layer height: its holder keeps the last part's box, and
// the part with it, so that no other part can come to share its identity while the box is held.
class PartBoxCache
{
public:
    Bnd_Box boxOf(const TopoDS_Shape& part);
    // Lets the box and its part go unless they are part's.
    void forgetOtherParts(const TopoDS_Shape& part);
    bool isEmpty() const;

private:
    TopoDS_Shape m_part;
    Bnd_Box m_box;
};

class PrintPlanGenerator
{
public:
    static PrintPlan generate(const QMap<QString, PlacedComponentData>& components,
                              const QMap<QString, NetlistComponent>& netlistComponents,
                              const TopoDS_Shape& part, double layerHeightMm);
    // The same with the components that stand outside the part known already (PartPresence's
    // verdicts): no solid is measured, so a new layer height costs next to nothing. The part's
    // box is measured anew unless a holder keeps it.
    static PrintPlan generate(const QMap<QString, PlacedComponentData>& components,
                              const QMap<QString, NetlistComponent>& netlistComponents,
                              const TopoDS_Shape& part, double layerHeightMm, const QSet<QString>& outsidePart,
                              PartBoxCache* boxes = nullptr);

    // 1 missing footprint, 2 body disabled, 3 no body geometry, 4 outside the part (none of its
    // pads and body shares material with it); empty for any other code.
    static QString reasonText(int code);
    // The plan without the insertion of the components whose cavity the export could not cut:
    // no pause waits for a component that has no room; a pause left empty goes.
    static PrintPlan withoutComponents(const PrintPlan& plan, const QStringList& refs);
    // Numeric-aware, case-insensitive order of the default locale (R2 before R10).
    static void sortItemsByRef(QList<PrintPlanItem>& items);

    static QString toText(const PrintPlan& plan);
    static QString formatItemLine(const PrintPlanItem& item);
    static QString toCsv(const PrintPlan& plan);
    static QString csvRow(const QString& status, const QString& layer, const QString& pauseZ,
                          const PrintPlanItem& item);
    static QString csvQuote(const QString& text);
};
