// Undo commands of component edits. The edit is applied before the command is pushed, so the
// first redo does nothing; undo and redo re-apply a stored state through the component
// manager. A step that can no longer apply (its component regenerated or removed, or the
// manager refusing the state) marks itself obsolete, so the stack drops it instead of
// pretending it ran.
#pragma once

#include "model/componentproperties.h"

#include <QElapsedTimer>
#include <QString>
#include <QUndoCommand>
#include <gp_Pnt.hxx>

#include <optional>

class ComponentManager;

template <typename T>
class ComponentStateCommand : public QUndoCommand
{
public:
    ComponentStateCommand(ComponentManager* manager, const QString& reference, const T& before, const T& after,
                          QUndoCommand* parent);

    void undo() override { applyOrDrop(m_before); }
    void redo() override
    {
        if (m_firstRedo) {
            m_firstRedo = false;
            return;
        }
        applyOrDrop(m_after);
    }

    const QString& reference() const { return m_reference; }
    const T& before() const { return m_before; }
    const T& after() const { return m_after; }

protected:
    // False when the manager could not bring the component to the state.
    virtual bool apply(const T& state) = 0;
    // Takes a newer command's after-state when it edits the same component within 500 ms.
    bool mergeState(const ComponentStateCommand<T>* other);

    ComponentManager* m_manager = nullptr;
    QString m_reference;
    T m_before;
    T m_after;
    QElapsedTimer m_mergeTimer;
    bool m_firstRedo = true;

private:
    void applyOrDrop(const T& state);
    quint64 m_generation = 0;
};

class MoveComponentCommand : public ComponentStateCommand<gp_Pnt>
{
public:
    MoveComponentCommand(ComponentManager* manager, const QString& reference, const gp_Pnt& before,
                         const gp_Pnt& after, QUndoCommand* parent = nullptr);
    int id() const override { return 1; }
    bool mergeWith(const QUndoCommand* other) override;

protected:
    bool apply(const gp_Pnt& state) override;
};

class RotateComponentCommand : public ComponentStateCommand<double>
{
public:
    RotateComponentCommand(ComponentManager* manager, const QString& reference, double before, double after,
                           QUndoCommand* parent = nullptr);
    int id() const override { return 2; }
    bool mergeWith(const QUndoCommand* other) override;

protected:
    bool apply(const double& state) override;
};

class ApplyPropertiesCommand : public ComponentStateCommand<ComponentProperties>
{
public:
    ApplyPropertiesCommand(ComponentManager* manager, const QString& reference, const ComponentProperties& before,
                           const ComponentProperties& after, QUndoCommand* parent = nullptr);
    int id() const override { return 3; }

protected:
    bool apply(const ComponentProperties& state) override;
};

// A footprint and the component's own values on it: a new footprint brings its defaults,
// and going back must give back what the user had set (thickness, undercut, body…).
struct FootprintState
{
    QString path;
    ComponentProperties values;
    // Set when the component had no footprint: the name its substitute box asked for.
    std::optional<QString> substituteFor;
};

class ReplaceFootprintCommand : public ComponentStateCommand<FootprintState>
{
public:
    ReplaceFootprintCommand(ComponentManager* manager, const QString& reference, const FootprintState& before,
                            const FootprintState& after, QUndoCommand* parent = nullptr);
    int id() const override { return 4; }

protected:
    bool apply(const FootprintState& state) override;
};
