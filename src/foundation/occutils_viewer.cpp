#include "foundation/occutils.h"

#include <QDebug>

#include <AIS_InteractiveContext.hxx>
#include <AIS_InteractiveObject.hxx>
#include <SelectMgr_SelectionManager.hxx>

namespace OccUtils {

namespace detail {

void warnOccFailure(const char* context, const Standard_Failure& failure)
{
    qWarning() << context << "(OCC):" << failure.GetMessageString();
}

void warnStdException(const char* context, const std::exception& exception)
{
    qWarning() << context << ":" << exception.what();
}

void warnUnknown(const char* context)
{
    qWarning() << context << ": unknown error";
}

} // namespace detail

namespace {

using ContextHandle = opencascade::handle<AIS_InteractiveContext>;
using ObjectHandle = opencascade::handle<AIS_InteractiveObject>;

// All selection modes off; a throw here must not undo the caller's main step.
void deactivateSilently(const ContextHandle& context, const ObjectHandle& object)
{
    try {
        context->SetSelectionModeActive(object, -1, false, AIS_SelectionModesConcurrency_Single, false);
    } catch (...) {
    }
}

} // namespace

bool safeDisplay(const ContextHandle& context, const ObjectHandle& object, bool noSelection)
{
    if (context.IsNull() || object.IsNull())
        return false;
    return guardedCall(false, "OccUtils::safeDisplay", [&] {
        if (!noSelection) {
            context->Display(object, false);
            return true;
        }
        // Selection mode -1: the selection is not even computed, which on a mesh part of
        // 100k faces cost a second for nothing.
        const int mode = object->HasDisplayMode() ? object->DisplayMode()
            : object->AcceptDisplayMode(context->DisplayMode()) ? context->DisplayMode()
                                                                : 0;
        context->Display(object, mode, -1, false);
        // Known to the selector, so that a mode activated later is computed then.
        context->SelectionManager()->Load(object, -1);
        deactivateSilently(context, object);
        return true;
    });
}

bool safeRemove(const ContextHandle& context, const ObjectHandle& object)
{
    if (context.IsNull() || object.IsNull())
        return false;
    return guardedCall(false, "OccUtils::safeRemove", [&] {
        // An erased (hidden) object still belongs to the context: it must go as well,
        // or it lingers there and reappears on the next display of everything.
        if (context->DisplayStatus(object) == PrsMgr_DisplayStatus_None)
            return true;
        deactivateSilently(context, object);
        context->Remove(object, false);
        return true;
    });
}

bool safeErase(const ContextHandle& context, const ObjectHandle& object)
{
    if (context.IsNull() || object.IsNull())
        return false;
    return guardedCall(false, "OccUtils::safeErase", [&] {
        if (context->IsDisplayed(object))
            context->Erase(object, false);
        return true;
    });
}

bool safeActivate(const ContextHandle& context, const ObjectHandle& object, int mode)
{
    if (context.IsNull() || object.IsNull())
        return false;
    return guardedCall(false, "OccUtils::safeActivate", [&] {
        context->SetSelectionModeActive(object, mode, true, AIS_SelectionModesConcurrency_GlobalOrLocal, false);
        return true;
    });
}

bool safeDeactivate(const ContextHandle& context, const ObjectHandle& object)
{
    if (context.IsNull() || object.IsNull())
        return false;
    return guardedCall(false, "OccUtils::safeDeactivate", [&] {
        context->SetSelectionModeActive(object, -1, false, AIS_SelectionModesConcurrency_Single, false);
        return true;
    });
}

void safeUpdateViewer(const ContextHandle& context)
{
    if (context.IsNull())
        return;
    try {
        context->UpdateCurrentViewer();
    } catch (const Standard_Failure& failure) {
        qWarning() << "OccUtils::safeUpdateViewer (OCC):" << failure.GetMessageString();
    } catch (...) {
    }
}

QString currentExceptionMessage()
{
    const std::exception_ptr current = std::current_exception();
    if (!current)
        return QStringLiteral("no exception");
    try {
        std::rethrow_exception(current);
    } catch (const Standard_Failure& failure) {
        const char* text = failure.GetMessageString();
        return text ? QString::fromUtf8(text) : QString();
    } catch (const std::exception& exception) {
        const char* text = exception.what();
        return text ? QString::fromUtf8(text) : QString();
    } catch (...) {
    }
    return QStringLiteral("unknown error");
}

} // namespace OccUtils
