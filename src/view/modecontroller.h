// The application's interaction mode: guarded transitions, announced by leave/enter
// signals, with requests made during an announcement deferred (one slot, last wins).
#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QAbstractButton;

class ModeController : public QObject
{
    Q_OBJECT

public:
    enum class Mode { View = 0, Orientation = 1, Routing = 2, ResistanceProbe = 3, Select = 4 };
    Q_ENUM(Mode)

    struct TransitionResult
    {
        bool accepted = false;
        QString reason;
    };

    explicit ModeController(QObject* parent = nullptr);

    static QString modeName(Mode mode);

    Mode currentMode() const { return m_currentMode; }

    // An empty function removes the mode's guard. A guard returns "" to allow, else the refusal text.
    void setGuard(Mode mode, std::function<QString()> guard);
    TransitionResult requestTransition(Mode target);
    void bindButton(QAbstractButton* button, Mode mode);

signals:
    void modeExited(ModeController::Mode mode);
    void modeEntered(ModeController::Mode mode);
    void transitionDenied(ModeController::Mode requested, QString reason);

private:
    void announce(const char* signalName, Mode mode, void (ModeController::*signal)(ModeController::Mode));

    Mode m_currentMode = Mode::View;
    bool m_transitionInProgress = false;
    std::optional<Mode> m_pendingMode;
    QHash<Mode, std::function<QString()>> m_guards;
};
