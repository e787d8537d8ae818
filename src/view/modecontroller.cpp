#include "view/modecontroller.h"

#include "foundation/logging.h"
#include "foundation/occutils.h"

#include <QAbstractButton>
#include <QDebug>
#include <QMetaType>
#include <QPointer>
#include <QSignalBlocker>

#include <exception>
#include <utility>

ModeController::ModeController(QObject* parent)
    : QObject(parent)
{
    // The mode travels in signals, also through queued connections and string-based connects.
    qRegisterMetaType<ModeController::Mode>("ModeController::Mode");
}

QString ModeController::modeName(Mode mode)
{
    switch (mode) {
    case Mode::View:
        return QStringLiteral("View");
    case Mode::Orientation:
        return QStringLiteral("Orientation");
    case Mode::Routing:
        return QStringLiteral("Routing");
    case Mode::ResistanceProbe:
        return QStringLiteral("ResistanceProbe");
    case Mode::Select:
        return QStringLiteral("Select");
    }
    return QStringLiteral("Unknown");
}

void ModeController::setGuard(Mode mode, std::function<QString()> guard)
{
    if (guard)
        m_guards.insert(mode, std::move(guard));
    else
        m_guards.remove(mode);
}

ModeController::TransitionResult ModeController::requestTransition(Mode target)
{
    if (target == m_currentMode)
        return {true, QString()};

    const auto guard = m_guards.constFind(target);
    if (guard != m_guards.constEnd()) {
        const QString refusal = (*guard)();
        if (!refusal.isEmpty()) {
            qCDebug(lcUi) << "ModeController: transition to" << modeName(target) << "refused:" << refusal;
            emit transitionDenied(target, refusal);
            return {false, refusal};
        }
    }

    if (m_transitionInProgress) {
        m_pendingMode = target;
        qCDebug(lcUi) << "ModeController: transition to" << modeName(target)
                      << "deferred (transition in progress)";
        return {true, QString()};
    }

    m_transitionInProgress = true;
    const Mode old = m_currentMode;
    m_currentMode = target;
    announce("ModeController: a receiver of modeExited", old, &ModeController::modeExited);
    announce("ModeController: a receiver of modeEntered", target, &ModeController::modeEntered);
    m_transitionInProgress = false;

    if (const std::optional<Mode> pending = std::exchange(m_pendingMode, std::nullopt))
        requestTransition(*pending);
    return {true, QString()};
}

void ModeController::announce(const char* signalName, Mode mode,
                              void (ModeController::*signal)(ModeController::Mode))
{
    // A receiver's failure must not leave the machine half-changed: log it and go on.
    try {
        emit(this->*signal)(mode);
    } catch (const std::exception& exception) {
        // Allocates nothing: the exception may be the lack of memory itself.
        OccUtils::detail::warnStdException(signalName, exception);
    } catch (...) {
        OccUtils::detail::warnUnknown(signalName);
    }
}

void ModeController::bindButton(QAbstractButton* button, Mode mode)
{
    if (!button) {
        qWarning() << "ModeController::bindButton: null button for mode" << modeName(mode);
        return;
    }
    if (!button->isCheckable()) {
        qWarning() << "ModeController::bindButton: the button for" << modeName(mode) << "must be checkable";
        return;
    }

    const QPointer<QAbstractButton> weak(button);
    connect(button, &QAbstractButton::toggled, this, [this, weak, mode](bool checked) {
        if (!weak)
            return;
        const TransitionResult result = requestTransition(checked ? mode : Mode::View);
        if (!result.accepted && weak) {
            const QSignalBlocker blocker(weak.data());
            weak->setChecked(m_currentMode == mode);
        }
    });
    connect(this, &ModeController::modeEntered, button, [weak, mode](ModeController::Mode entered) {
        if (!weak)
            return;
        const bool shouldBeChecked = entered == mode;
        if (weak->isChecked() != shouldBeChecked) {
            const QSignalBlocker blocker(weak.data());
            weak->setChecked(shouldBeChecked);
        }
    });
}
