// Burial analysis: switching on and off, the walk over the components, one component's
// analysis and the clearing of results.

#include "components/burialanalyzer.h"

#include "foundation/jobs.h"
#include "foundation/logging.h"
#include "foundation/occutils.h"
#include "foundation/scopeguard.h"
#include "model/placedcomponentdata.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_Shape.hxx>
#include <Message_ProgressScope.hxx>
#include <QDebug>
#include <QStringList>

#include <exception>
#include <new>

BurialAnalyzer::BurialAnalyzer(const opencascade::handle<AIS_InteractiveContext>& context, QObject* parent)
    : QObject(parent)
    , m_context(context)
{
    qCDebug(lcComponent) << "BurialAnalyzer: created";
}

BurialAnalyzer::~BurialAnalyzer()
{
    if (!m_context.IsNull() && !m_results.isEmpty()) {
        try {
            discardResults();
        } catch (...) {
            qWarning() << "BurialAnalyzer::~BurialAnalyzer: exception swallowed during cleanup";
        }
    }
    qCDebug(lcComponent) << "BurialAnalyzer: destroyed";
}

void BurialAnalyzer::setEnabled(bool enabled, const ComponentMap& components, const TopoDS_Shape& part,
                                const Message_ProgressRange& progress)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (m_context.IsNull())
        return;

    if (enabled) {
        if (part.IsNull()) {
            m_enabled = false;
            emit statusChanged(tr("Burial analysis: import a STEP part first"));
            return;
        }
        emit statusChanged(tr("Burial analysis: computing..."));
        if (!analyzeAll(components, part, progress)) {
            m_enabled = false;
            showBodies(components);
            emit statusChanged(tr("Burial analysis cancelled"));
        }
        return;
    }
    showBodies(components);
    emit statusChanged(tr("Burial analysis disabled"));
}

void BurialAnalyzer::showBodies(const ComponentMap& components)
{
    for (const BurialResult& result : std::as_const(m_results))
        removeResultObjects(result);
    for (const PlacedComponentData& component : components) {
        const opencascade::handle<AIS_Shape>& body = component.compositeShape;
        if (body.IsNull())
            continue;
        const bool shown = OccUtils::guardedCall(false, "BurialAnalyzer::setEnabled: IsDisplayed",
                                                 [&] { return m_context->IsDisplayed(body); });
        if (shown) {
            OccUtils::guardedCall(false, "BurialAnalyzer::setEnabled: SetDisplayMode", [&] {
                m_context->SetDisplayMode(body, 1, false);
                return true;
            });
        } else {
            OccUtils::safeDisplay(m_context, body, false);
        }
    }
    OccUtils::safeUpdateViewer(m_context);
}

bool BurialAnalyzer::analyzeAll(const ComponentMap& components, const TopoDS_Shape& part,
                                const Message_ProgressRange& progress)
{
    if (part.IsNull())
        return true;
    // Walk a fixed list of references and look each one up when its turn comes.
    const QStringList refs = components.keys();
    const int count = int(refs.size());
    int analysed = 0;
    Message_ProgressScope scope(progress, nullptr, double(std::max(count, 1)));
    for (int i = 0; i < count; ++i) {
        const QString& ref = refs.at(i);
        emit statusChanged(tr("Burial analysis: component %1/%2 (%3)...").arg(i + 1).arg(count).arg(ref));
        // A break asked at a report within the last component stops the walk here.
        if (!scope.More())
            return false;
        const Message_ProgressRange step = scope.Next();
        const auto it = components.constFind(ref);
        if (it == components.constEnd())
            continue;
        const PlacedComponentData component = it.value();
        if (analyzeComponent(ref, component, part, step))
            ++analysed;
        else if (step.UserBreak())
            return false;
    }
    if (!m_context.IsNull())
        OccUtils::safeUpdateViewer(m_context);

    QString text = tr("Burial analysis complete: %1/%n component(s) analysed", nullptr, count).arg(analysed);
    if (count - analysed > 0)
        text += tr(" (%n failure(s))", nullptr, count - analysed);
    emit statusChanged(text);
    return true;
}

bool BurialAnalyzer::analyzeComponent(const QString& ref, const PlacedComponentData& component,
                                      const TopoDS_Shape& part, const Message_ProgressRange& progress)
{
    if (m_context.IsNull() || part.IsNull() || component.compositeShape.IsNull())
        return false;

    emit computationStarted(ref);
    try {
        return runAnalysis(ref, component, part, progress);
    } catch (const Standard_Failure& failure) {
        // These warnings allocate nothing: the failure may be the lack of memory itself.
        OccUtils::detail::warnOccFailure("BurialAnalyzer::analyzeComponent", failure);
    } catch (const std::exception& exception) {
        OccUtils::detail::warnStdException("BurialAnalyzer::analyzeComponent", exception);
    } catch (...) {
        OccUtils::detail::warnUnknown("BurialAnalyzer::analyzeComponent");
    }
    try {
        emit statusChanged(tr("Analysis %1: %2").arg(ref, tr("unexpected failure")));
    } catch (...) {
        OccUtils::detail::noteOutOfMemory("BurialAnalyzer::analyzeComponent");
    }
    return false;
}

bool BurialAnalyzer::runAnalysis(const QString& ref, const PlacedComponentData& component, const TopoDS_Shape& part,
                                 const Message_ProgressRange& progress)
{
    const opencascade::handle<AIS_Shape> body = component.compositeShape;
    const auto previous = m_results.find(ref);
    if (previous != m_results.end()) {
        removeResultObjects(previous.value());
        m_results.erase(previous);
    }

    ScopeGuard restoreBody([this, body] {
        try {
            if (!m_context.IsNull() && !body.IsNull() && m_enabled && !m_context->IsDisplayed(body)) {
                m_context->Display(body, false);
                m_context->Deactivate(body);
            }
        } catch (const Standard_Failure& failure) {
            OccUtils::detail::warnOccFailure("BurialAnalyzer: body restoration", failure);
        } catch (const std::exception& exception) {
            OccUtils::detail::warnStdException("BurialAnalyzer: body restoration", exception);
        } catch (...) {
            OccUtils::detail::warnUnknown("BurialAnalyzer: body restoration");
        }
    });

    if (m_enabled) {
        try {
            m_context->Remove(body, false);
        } catch (...) {
            qWarning() << "BurialAnalyzer::analyzeComponent: body Remove failed for" << ref << ":"
                       << OccUtils::currentExceptionMessage() << "— analysis cancelled";
            return false;
        }
    }

    // The display meshes the results: a report between the measure and it.
    Message_ProgressScope steps(progress, nullptr, 2.0);
    // The booleans of a body on a part of B-spline solids take seconds: they run beside the
    // window's thread, which paints meanwhile. They read the body, out of the view meanwhile,
    // and the part, which nothing edits while the analysis runs.
    const TopoDS_Shape shape = body->Shape();
    Jobs::Result<BurialResult> computed = Jobs::run<BurialResult>(
        steps.Next(), "BurialAnalyzer::runAnalysis", Jobs::Reads::Shared,
        [shape, part](const Jobs::Stop& stop) { return computeBurial(shape, part, stop.range()); }, true);
    if (computed.outcome == Jobs::Outcome::OutOfMemory)
        throw std::bad_alloc();
    BurialResult result;
    if (computed.done())
        result = std::move(*computed.value);
    else if (computed.outcome == Jobs::Outcome::Failed)
        result.error = computed.error;
    if (!result.analysed && !steps.More())
        return false;
    if (!result.analysed) {
        qWarning() << "BurialAnalyzer: analysis failed for" << ref << "—" << result.error;
        emit statusChanged(tr("Analysis %1: %2").arg(ref, result.error));
        return false;
    }

    if (!result.buriedShape.IsNull())
        styleShape(result.buriedShape, Quantity_Color(0.1, 0.65, 0.2, Quantity_TOC_RGB), 0.35,
                   Quantity_NOC_DARKGREEN, 1.0);
    if (!result.freeShape.IsNull())
        styleShape(result.freeShape, Quantity_Color(0.95, 0.45, 0.05, Quantity_TOC_RGB), 0.15,
                   Quantity_NOC_DARKORANGE, 1.2);
    if (!result.contourShape.IsNull())
        styleContour(result.contourShape);
    steps.Next();
    if (m_enabled)
        displayResultObjects(result);
    m_results.insert(ref, result);
    restoreBody.dismiss();
    emit statusChanged(result.text(ref));
    return true;
}

void BurialAnalyzer::clearResults(bool restoreBodies, const ComponentMap* components)
{
    if (m_context.IsNull()) {
        m_results.clear();
        return;
    }
    bool changed = !m_results.isEmpty();
    discardResults();
    if (restoreBodies && components) {
        for (const PlacedComponentData& component : *components) {
            const opencascade::handle<AIS_Shape>& body = component.compositeShape;
            const bool shown = !body.IsNull()
                && OccUtils::guardedCall(false, "BurialAnalyzer::clearResults",
                                         [&] { return m_context->IsDisplayed(body); });
            if (!body.IsNull() && !shown)
                changed |= OccUtils::safeDisplay(m_context, body, true);
        }
    }
    // A redraw of the whole scene for nothing removed or shown again is a redraw too many: a
    // generation clears the results of a scene it is about to replace.
    if (changed)
        OccUtils::safeUpdateViewer(m_context);
}

void BurialAnalyzer::discardResults()
{
    for (const BurialResult& result : std::as_const(m_results))
        removeResultObjects(result);
    m_results.clear();
}

void BurialAnalyzer::clearResult(const QString& ref)
{
    const auto it = m_results.find(ref);
    if (it == m_results.end())
        return;
    removeResultObjects(it.value());
    m_results.erase(it);
}

void BurialAnalyzer::removeResultObjects(const BurialResult& result)
{
    if (m_context.IsNull())
        return;
    for (const auto& object : {result.buriedShape, result.freeShape, result.contourShape}) {
        if (!object.IsNull())
            OccUtils::safeRemove(m_context, object);
    }
}

void BurialAnalyzer::displayResultObjects(const BurialResult& result)
{
    if (m_context.IsNull())
        return;
    for (const auto& object : {result.buriedShape, result.freeShape, result.contourShape}) {
        if (!object.IsNull())
            OccUtils::safeDisplay(m_context, object, true);
    }
}
