// Which tracks touch or come too close to another net's conductors, kept up to date edit after
// edit: only tracks near what changed since the last scan (a track, a pad) are measured again.
#pragma once

#include "routing/routingmanager.h"

#include <Bnd_Box.hxx>

#include <QHash>
#include <QList>
#include <QString>

#include <vector>

class TrackConflictScan
{
public:
    struct Conflict
    {
        bool isShort = false;
        QString offender;
    };

    // Route id → its conflict, for every track that has one.
    QHash<quint64, Conflict> scan(const RoutingManager& routing);
    void clear();
    // Tracks measured again by the last scan (the others kept their answer).
    int lastMeasured() const { return m_lastMeasured; }

private:
    struct TrackState
    {
        std::vector<double> geometry;
        Bnd_Box box;
        bool hasConflict = false;
        Conflict conflict;
    };
    struct PadState
    {
        const void* solid = nullptr;
        Bnd_Box box;
    };

    QHash<quint64, TrackState> m_tracks;
    QHash<QString, PadState> m_pads;
    double m_clearance = -1.0;
    double m_padClearance = -1.0;
    int m_lastMeasured = 0;
};
