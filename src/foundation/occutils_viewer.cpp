#include "foundation/occutils.h"

#include <QDebug>

#include <AIS_InteractiveContext.hxx>
#include <AIS_InteractiveObject.hxx>
#include <SelectMgr_SelectionManager.hxx>
#include <V3d_Viewer.hxx>
#include <Standard_OutOfMemory.hxx>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include <unistd.h>

namespace OccUtils {

namespace detail {

void noteOutOfMemory(const char* context) noexcept
{
    // Nothing here may allocate: a plain write of fixed pieces.
    const char* pieces[] = {context ? context : "", ": out of memory\n"};
    for (const char* piece : pieces) {
        std::size_t left = std::strlen(piece);
        while (left > 0) {
            const ssize_t n = ::write(STDERR_FILENO, piece, left);
            if (n <= 0)
                break;
            piece += n;
            left -= std::size_t(n);
        }
    }
}

// The message forms below allocate; a failing allocation there must not end the program
// either, hence the formatted calls (no stream whose destructor would throw).
void warnOccFailure(const char* context, const Standard_Failure& failure) noexcept
{
    if (dynamic_cast<const Standard_OutOfMemory*>(&failure)) {
        noteOutOfMemory(context);
        return;
    }
    try {
        const char* text = failure.GetMessageString();
        qWarning("%s (OCC): %s", context, text ? text : "");
    } catch (...) {
        noteOutOfMemory(context);
    }
}

void warnStdException(const char* context, const std::exception& exception) noexcept
{
    if (dynamic_cast<const std::bad_alloc*>(&exception)) {
        noteOutOfMemory(context);
        return;
    }
    try {
        qWarning("%s : %s", context, exception.what());
    } catch (...) {
        noteOutOfMemory(context);
    }
}

void warnUnknown(const char* context) noexcept
{
    try {
        qWarning("%s : unknown error", context);
    } catch (...) {
        noteOutOfMemory(context);
    }
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

// Literals need no allocation; a copy of the text may fail.
QString fromUtf8OrOutOfMemory(const char* text)
{
    try {
        return QString::fromUtf8(text);
    } catch (const std::bad_alloc&) {
        return QStringLiteral("out of memory");
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

ContextHandle stagingContext(const ContextHandle& shown)
{
    if (shown.IsNull())
        return ContextHandle();
    return guardedCall(ContextHandle(), "OccUtils::stagingContext", [&] {
        ContextHandle context = new AIS_InteractiveContext(new V3d_Viewer(shown->CurrentViewer()->Driver()));
        context->SetDisplayMode(shown->DisplayMode(), false);
        context->SetAutoActivateSelection(false);
        return context;
    });
}

namespace {

thread_local int t_redrawHolds = 0;
thread_local std::vector<ContextHandle>* t_heldRedraws = nullptr;

} // namespace

RedrawHold::RedrawHold(bool drawAtEnd)
    : m_drawAtEnd(drawAtEnd)
{
    ++t_redrawHolds;
}

RedrawHold::~RedrawHold()
{
    if (--t_redrawHolds > 0 || !t_heldRedraws)
        return;
    const std::unique_ptr<std::vector<ContextHandle>> held(std::exchange(t_heldRedraws, nullptr));
    if (m_drawAtEnd) {
        for (const ContextHandle& context : *held)
            safeUpdateViewer(context);
    }
}

void safeUpdateViewer(const ContextHandle& context)
{
    if (context.IsNull())
        return;
    if (t_redrawHolds > 0) {
        try {
            if (!t_heldRedraws)
                t_heldRedraws = new std::vector<ContextHandle>;
            if (std::find(t_heldRedraws->cbegin(), t_heldRedraws->cend(), context) == t_heldRedraws->cend())
                t_heldRedraws->push_back(context);
            return;
        } catch (const std::bad_alloc&) {
            // Drawn now, then.
        }
    }
    try {
        context->UpdateCurrentViewer();
    } catch (const Standard_Failure& failure) {
        detail::warnOccFailure("OccUtils::safeUpdateViewer", failure);
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
    } catch (const Standard_OutOfMemory&) {
        return QStringLiteral("out of memory");
    } catch (const std::bad_alloc&) {
        return QStringLiteral("out of memory");
    } catch (const Standard_Failure& failure) {
        const char* text = failure.GetMessageString();
        return text ? fromUtf8OrOutOfMemory(text) : QString();
    } catch (const std::exception& exception) {
        const char* text = exception.what();
        return text ? fromUtf8OrOutOfMemory(text) : QString();
    } catch (...) {
    }
    return QStringLiteral("unknown error");
}

} // namespace OccUtils
