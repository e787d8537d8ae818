#include "app/componentcommands.h"

#include "components/componentmanager.h"

#include <QCoreApplication>
#include <QDebug>

namespace {

constexpr qint64 kMergeWindowMs = 500;

} // namespace

template <typename T>
ComponentStateCommand<T>::ComponentStateCommand(ComponentManager* manager, const QString& reference,
                                                const T& before, const T& after, QUndoCommand* parent)
    : QUndoCommand(parent)
    , m_manager(manager)
    , m_reference(reference)
    , m_before(before)
    , m_after(after)
    , m_generation(manager ? manager->populationGeneration() : 0)
{
    m_mergeTimer.start();
}

template <typename T>
void ComponentStateCommand<T>::applyOrDrop(const T& state)
{
    if (!m_manager)
        return;
    // Components regenerated or reloaded since the edit are other components under the same
    // references: the old state must not be forced on them.
    if (m_manager->populationGeneration() != m_generation || !m_manager->findComponent(m_reference)) {
        qWarning() << "Component undo step dropped:" << text() << "— the component it edited is gone";
        setObsolete(true);
        return;
    }
    if (!apply(state)) {
        qWarning() << "Component undo step dropped:" << text() << "— the state could not be applied";
        setObsolete(true);
    }
}

template <typename T>
bool ComponentStateCommand<T>::mergeState(const ComponentStateCommand<T>* other)
{
    if (!other || other->m_reference != m_reference || m_mergeTimer.elapsed() > kMergeWindowMs
        || other->m_manager != m_manager || other->m_generation != m_generation)
        return false;
    m_after = other->m_after;
    m_mergeTimer.restart();
    return true;
}

template class ComponentStateCommand<gp_Pnt>;
template class ComponentStateCommand<double>;
template class ComponentStateCommand<ComponentProperties>;
template class ComponentStateCommand<FootprintState>;

MoveComponentCommand::MoveComponentCommand(ComponentManager* manager, const QString& reference,
                                           const gp_Pnt& before, const gp_Pnt& after, QUndoCommand* parent)
    : ComponentStateCommand(manager, reference, before, after, parent)
{
    setText(QCoreApplication::translate("QObject", "Move %1").arg(reference));
}

bool MoveComponentCommand::mergeWith(const QUndoCommand* other)
{
    return mergeState(dynamic_cast<const MoveComponentCommand*>(other));
}

bool MoveComponentCommand::apply(const gp_Pnt& state)
{
    return m_manager->moveComponent(m_reference, state, false);
}

RotateComponentCommand::RotateComponentCommand(ComponentManager* manager, const QString& reference, double before,
                                               double after, QUndoCommand* parent)
    : ComponentStateCommand(manager, reference, before, after, parent)
{
    setText(QCoreApplication::translate("QObject", "Rotate %1").arg(reference));
}

bool RotateComponentCommand::mergeWith(const QUndoCommand* other)
{
    return mergeState(dynamic_cast<const RotateComponentCommand*>(other));
}

bool RotateComponentCommand::apply(const double& state)
{
    return m_manager->rotateComponent(m_reference, state);
}

ApplyPropertiesCommand::ApplyPropertiesCommand(ComponentManager* manager, const QString& reference,
                                               const ComponentProperties& before, const ComponentProperties& after,
                                               QUndoCommand* parent)
    : ComponentStateCommand(manager, reference, before, after, parent)
{
    setText(QCoreApplication::translate("QObject", "Modify properties %1").arg(reference));
}

bool ApplyPropertiesCommand::apply(const ComponentProperties& state)
{
    return m_manager->applyProperties(m_reference, state);
}

ReplaceFootprintCommand::ReplaceFootprintCommand(ComponentManager* manager, const QString& reference,
                                                 const FootprintState& before, const FootprintState& after,
                                                 QUndoCommand* parent)
    : ComponentStateCommand(manager, reference, before, after, parent)
{
    setText(QCoreApplication::translate("QObject", "Change footprint %1").arg(reference));
}

bool ReplaceFootprintCommand::apply(const FootprintState& state)
{
    if (state.substituteFor)
        return m_manager->restoreSubstitute(m_reference, *state.substituteFor, state.values);
    if (state.path.isEmpty()) {
        qWarning() << "ReplaceFootprintCommand: empty footprint path for" << m_reference
                   << "— state not restored (footprint missing to begin with)";
        return false;
    }
    return m_manager->replaceFootprint(m_reference, state.path, &state.values);
}
