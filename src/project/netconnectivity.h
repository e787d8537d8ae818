// Which pads finished tracks already join, for the ratsnest.
#pragma once

#include "model/padid.h"
#include "model/placedpin.h"

#include <gp_Pnt.hxx>

#include <QHash>
#include <QList>
#include <QString>

class RoutingManager;
struct Route;

class NetConnectivity
{
public:
    enum EndIssueKind { EndNotOnPad = 1, PadNotFound = 2 };

    // A track end that does not reach the pad it names.
    struct EndIssue
    {
        int routeIndex = -1;
        QString netName;
        PadId pad;
        bool atStart = true;
        gp_Pnt endPoint;
        gp_Pnt padPoint;
        int kind = EndNotOnPad;
    };

    // A T junction whose host track was not found.
    struct UnresolvedJunction
    {
        int routeIndex = -1;
        QString netName;
        QString startRef;
        QString startPad;
        gp_Pnt junction;
    };

    // Replaces the whole state. With a table, a pad end joins only when it touches a pad of its pin.
    void build(const RoutingManager& routing, const PinTable* pins);
    void clear();

    QString groupOf(const PadId& pad) const;
    bool sameGroup(const PadId& a, const PadId& b) const;

    const QList<EndIssue>& issues() const { return m_issues; }
    const QList<UnresolvedJunction>& unresolvedJunctions() const { return m_unresolvedJunctions; }

private:
    QString find(const QString& key);
    bool unite(const QString& a, const QString& b);
    bool endTouchesPad(const Route& route, int routeIndex, const PadId& pad, bool atStart, const PinTable& pins);

    QHash<QString, QString> m_parent;
    QHash<PadId, QString> m_padGroup;
    QList<UnresolvedJunction> m_unresolvedJunctions;
    QList<EndIssue> m_issues;
};
