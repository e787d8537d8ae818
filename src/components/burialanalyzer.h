// Burial analysis: the buried and free volume of each component body, shown in the view in
// place of the bodies while the analysis is switched on.
#pragma once

#include "components/burialresult.h"

#include <Message_ProgressRange.hxx>
#include <QMap>
#include <QObject>
#include <QString>
#include <Quantity_NameOfColor.hxx>
#include <Standard_Handle.hxx>

class AIS_InteractiveContext;
class Quantity_Color;
class TopoDS_Shape;
struct PlacedComponentData;

class BurialAnalyzer : public QObject
{
    Q_OBJECT

public:
    using ComponentMap = QMap<QString, PlacedComponentData>;

    BurialAnalyzer(const opencascade::handle<AIS_InteractiveContext>& context, QObject* parent = nullptr);
    ~BurialAnalyzer() override;

    bool isEnabled() const { return m_enabled; }
    // Switched on, every component is analysed, one step of progress each; a break asked
    // through progress stops the walk and switches the analysis off again. components is the
    // live map: each component is looked up again when its turn comes, since whatever reports
    // the progress may let other work run.
    void setEnabled(bool enabled, const ComponentMap& components, const TopoDS_Shape& part,
                    const Message_ProgressRange& progress = Message_ProgressRange());
    // False when a break asked through progress stopped it before the end.
    bool analyzeAll(const ComponentMap& components, const TopoDS_Shape& part,
                    const Message_ProgressRange& progress = Message_ProgressRange());
    // True when the component was analysed. The booleans report through progress; a break
    // asked there leaves the component unanalysed, its body shown.
    bool analyzeComponent(const QString& ref, const PlacedComponentData& component, const TopoDS_Shape& part,
                          const Message_ProgressRange& progress = Message_ProgressRange());

    static BurialResult computeBurial(const TopoDS_Shape& body, const TopoDS_Shape& part,
                                      const Message_ProgressRange& progress = Message_ProgressRange());
    static double computeVolume(const TopoDS_Shape& shape);

    void clearResults(bool restoreBodies, const ComponentMap* components);
    // Teardown: takes the result objects out of the context without redrawing, since the
    // window may already be closed and its view going away.
    void discardResults();
    void clearResult(const QString& ref);
    BurialResult result(const QString& ref) const { return m_results.value(ref); }
    int resultCount() const { return int(m_results.size()); }

signals:
    void statusChanged(QString message);
    void computationStarted(QString ref);

private:
    // The bodies back in place of the results, which are kept.
    void showBodies(const ComponentMap& components);
    void removeResultObjects(const BurialResult& result);
    void displayResultObjects(const BurialResult& result);
    bool runAnalysis(const QString& ref, const PlacedComponentData& component, const TopoDS_Shape& part,
                     const Message_ProgressRange& progress);
    static void styleShape(const opencascade::handle<AIS_Shape>& shape, const Quantity_Color& colour,
                           double transparency, Quantity_NameOfColor lineColour, double lineWidth);
    static void styleContour(const opencascade::handle<AIS_Shape>& shape);

    opencascade::handle<AIS_InteractiveContext> m_context;
    bool m_enabled = false;
    QMap<QString, BurialResult> m_results;
};
