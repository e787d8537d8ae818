// A dock listing the design: the components (netlist and placed) and the nets with their
// routing state. The window builds the rows and hands them over whole; a click on a row
// asks the window to take the user there.
#pragma once

#include "app/ratsnest.h"
#include "model/netlist.h"
#include "model/placedcomponentdata.h"
#include "project/netconnectivity.h"

#include <QDockWidget>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

class QLabel;
class QLineEdit;
class QTabWidget;
class QTableWidget;
class QTableWidgetItem;
class QTimer;

class BoardExplorerPanel : public QDockWidget
{
    Q_OBJECT

public:
    struct ComponentRow
    {
        QString ref;
        QString value;
        QString footprint;
        int state = 2; // 0 placed, 1 footprint missing, 2 not placed, 3 not in netlist
        bool noCavity = false;
        int pads = 0;
        int nets = 0;
    };

    struct NetRow
    {
        QString name;
        int pads = 0;
        int totalLinks = 0;
        int unroutedLinks = 0;
        double unroutedLengthMm = 0.0;
        int detachedEnds = 0;
        int danglingT = 0;
        int conflictTracks = 0; // tracks touching or too close to another net's conductors
        int missingPins = 0;    // pins with no pad on the board: the net cannot be finished
    };

    explicit BoardExplorerPanel(QWidget* parent = nullptr);

    void setRows(const QList<ComponentRow>& components, const QList<NetRow>& nets);
    void selectComponent(const QString& ref);
    // Another design: a filter typed for the previous one would hide the new one's rows.
    void clearFilter();

    static QList<ComponentRow> buildComponentRows(const QMap<QString, NetlistComponent>& netlistComponents,
                                                  const QMap<QString, PlacedComponentData>& placed,
                                                  const QList<NetlistNet>& nets);
    static QList<NetRow> buildNetRows(const QList<NetlistNet>& nets, const QMap<QString, NetRatsnestStats>& stats,
                                      const QList<NetConnectivity::EndIssue>& issues,
                                      const QList<NetConnectivity::UnresolvedJunction>& junctions);

    QTableWidget* componentTable() const { return m_components; }
    // Filled once its tab is open.
    QTableWidget* netTable() const { return m_nets; }
    QLineEdit* filterEdit() const { return m_filter; }
    QTabWidget* tabs() const { return m_tabs; }
    QLabel* countLabel() const { return m_count; }

signals:
    void componentActivated(QString ref);
    void netActivated(QString netName);

private slots:
    void onFilterChanged();
    void onTabChanged();

private:
    void setUpTable(QTableWidget* table, const QStringList& headers, int stretchColumn);
    void fillComponents(const QList<ComponentRow>& rows);
    void fillNets(const QList<NetRow>& rows);
    void activate(QTableWidgetItem* item, bool component);
    void updateCount();
    void fitNetRows();
    void fillPendingNets();
    bool netsShown() const;

    QLineEdit* m_filter = nullptr;
    QTabWidget* m_tabs = nullptr;
    QTableWidget* m_components = nullptr;
    QTableWidget* m_nets = nullptr;
    QLabel* m_count = nullptr;
    QTimer* m_netRowFit = nullptr;
    QHash<QString, int> m_netNameLines; // lines each net name wraps on, at m_netNameWidth
    int m_netNameWidth = -1;
    int m_componentTotal = 0;
    int m_netTotal = 0;
    QList<NetRow> m_pendingNets;
    bool m_netsPending = false;
    bool m_suspended = false;
};
