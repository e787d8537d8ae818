// The last carved assembly, kept with everything it was carved from, so that exporting the
// same design again (STEP, then 3MF) costs only the meshing and the writing.
#pragma once

#include "outputs/assemblyrecords.h"
#include "outputs/exportoptions.h"

#include <Message_ProgressRange.hxx>
#include <QList>

#include <optional>

class AssemblyCache
{
public:
    // The assembly of input: the kept one when every carving input is the same as last time
    // (the part, the volume sources and the options that shape the carving), else carved anew
    // and kept. Shapes are compared by identity and placement, never by a lookalike: the key
    // holds them, so that no later shape can take over their identity. An assembly broken off
    // through progress is not kept.
    AssemblyResult assembly(const AssemblyInput& input, const ExportOptions& options,
                            const Message_ProgressRange& progress = Message_ProgressRange());

    // Removes the kept triangulation when a meshing asks for other deflections than the last
    // one did: a mesher keeps a finer mesh it finds, and the file would then differ from a
    // first export's.
    void prepareMeshing(double linearDeflection, double angularDeflection);

    bool lastWasReused() const { return m_lastReused; }
    int carvings() const { return m_carvings; }
    void clear();

private:
    struct Key
    {
        TopoDS_Shape mainPart;
        bool includeBodies = true, includePads = true, includeRoutes = true;
        double baseFuzzy = 0.0;
        QList<VolumeSource> sources;
        int tracksMissing = 0;
        bool operator==(const Key& other) const;
    };

    std::optional<Key> m_key;
    AssemblyResult m_result;
    std::optional<std::pair<double, double>> m_meshedWith;
    bool m_lastReused = false;
    int m_carvings = 0;
};
