#include "outputs/assemblycache.h"

#include "foundation/logging.h"
#include "outputs/stepexporter.h"

#include <BRepTools.hxx>

namespace {

bool sameSource(const VolumeSource& a, const VolumeSource& b)
{
    return a.volume.kind == b.volume.kind && a.volume.name == b.volume.name
           && a.volume.shape.IsEqual(b.volume.shape) && a.volume.featureHint == b.volume.featureHint
           && a.extension == b.extension;
}

} // namespace

bool AssemblyCache::Key::operator==(const Key& other) const
{
    return mainPart.IsEqual(other.mainPart) && includeBodies == other.includeBodies
           && includePads == other.includePads && includeRoutes == other.includeRoutes
           && baseFuzzy == other.baseFuzzy && tracksMissing == other.tracksMissing
           && std::equal(sources.cbegin(), sources.cend(), other.sources.cbegin(), other.sources.cend(),
                         sameSource);
}

AssemblyResult AssemblyCache::assembly(const AssemblyInput& input, const ExportOptions& options,
                                       const Message_ProgressRange& progress)
{
    Key key;
    key.mainPart = input.mainPart;
    key.includeBodies = options.includeBodies;
    key.includePads = options.includePads;
    key.includeRoutes = options.includeRoutes;
    key.baseFuzzy = options.baseFuzzy;
    if (!input.mainPart.IsNull())
        key.sources = StepExporter::collectSources(input, options, &key.tracksMissing);

    m_lastReused = m_key && *m_key == key && !m_result.part.IsNull();
    if (m_lastReused) {
        qCDebug(lcExport) << "ASSEMBLY — unchanged design, the carved assembly is reused";
        return m_result;
    }
    clear();
    AssemblyResult result = StepExporter::buildAssembly(input, key.sources, key.tracksMissing, options, progress);
    ++m_carvings;
    if (result.cancelled)
        return result;
    m_result = std::move(result);
    m_key = std::move(key);
    return m_result;
}

void AssemblyCache::prepareMeshing(double linearDeflection, double angularDeflection)
{
    const std::pair<double, double> wanted(linearDeflection, angularDeflection);
    if (m_meshedWith && *m_meshedWith != wanted) {
        // A part left uncarved is the project's own shape: its mesh is the view's business.
        if (!m_result.part.IsNull() && !(m_key && m_result.part.IsSame(m_key->mainPart)))
            BRepTools::Clean(m_result.part);
        for (const ConductorGroup& group : std::as_const(m_result.conductors))
            if (!group.shape.IsNull())
                BRepTools::Clean(group.shape);
    }
    m_meshedWith = wanted;
}

void AssemblyCache::clear()
{
    m_key.reset();
    m_result = AssemblyResult();
    m_meshedWith.reset();
}
