#include "app/boardexplorerpanel.h"

#include "foundation/naturalorder.h"
#include "foundation/uitheme.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QPainter>
#include <QSet>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextLayout>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kSortRole = Qt::UserRole + 1;

// Numeric sort keys where both items carry one; the texts otherwise, in natural order.
class SortableItem : public QTableWidgetItem
{
public:
    using QTableWidgetItem::QTableWidgetItem;
    ~SortableItem() override = default;

    bool operator<(const QTableWidgetItem& other) const override
    {
        const QVariant mine = data(kSortRole);
        const QVariant theirs = other.data(kSortRole);
        if (mine.isValid() && theirs.isValid())
            return mine.toDouble() < theirs.toDouble();
        return NaturalOrder::less(text(), other.text());
    }
};

SortableItem* item(const QString& text, const QString& toolTip)
{
    auto* cell = new SortableItem(text);
    cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    cell->setToolTip(toolTip);
    return cell;
}

SortableItem* sortedItem(const QString& text, double key, const QString& toolTip)
{
    SortableItem* cell = item(text, toolTip);
    cell->setData(kSortRole, key);
    cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return cell;
}

SortableItem* stateItem(const QString& text, int severity, const QColor& colour, const QString& toolTip)
{
    SortableItem* cell = item(text, toolTip);
    cell->setData(kSortRole, severity);
    cell->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (colour.isValid())
        cell->setForeground(colour);
    else
        cell->setData(Qt::ForegroundRole, QVariant());
    return cell;
}

QString keyOfCurrentRow(const QTableWidget* table)
{
    const int row = table->currentRow();
    const QTableWidgetItem* cell = row >= 0 ? table->item(row, 0) : nullptr;
    return cell ? cell->data(kKeyRole).toString() : QString();
}

void selectKey(QTableWidget* table, const QString& key)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem* cell = table->item(row, 0);
        if (cell && cell->data(kKeyRole).toString() == key) {
            table->selectRow(row);
            return;
        }
    }
}

int applyFilter(QTableWidget* table, const QString& filter)
{
    int visible = 0;
    for (int row = 0; row < table->rowCount(); ++row) {
        bool match = filter.isEmpty();
        for (int column = 0; !match && column < table->columnCount(); ++column) {
            const QTableWidgetItem* cell = table->item(row, column);
            match = cell && cell->text().contains(filter, Qt::CaseInsensitive);
        }
        table->setRowHidden(row, !match);
        visible += match ? 1 : 0;
    }
    return visible;
}

// Draws the text wrapped between words, or anywhere in a word longer than the column (a net
// name rarely has spaces). The panel gives the row the height the lines take.
class WrappingDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QString text = item.text;
        const QRect rect = textRect(item);
        item.text.clear();
        const QStyle* style = item.widget ? item.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
        const bool selected = item.state & QStyle::State_Selected;
        painter->save();
        painter->setFont(item.font);
        painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(rect, text, textOption(Qt::AlignLeft | Qt::AlignVCenter));
        painter->restore();
    }

    // The width a text wraps in, in a cell of the view's column of that width.
    static int textWidth(const QTableView* view, int columnWidth)
    {
        QStyleOptionViewItem cell;
        cell.initFrom(view);
        cell.widget = view;
        cell.font = view->font();
        cell.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::WrapText;
        // A text that wraps at any width: the style gives it the whole room of the cell.
        cell.text = QString(columnWidth, QLatin1Char('x'));
        // The view draws a cell one pixel narrower than its column, for the grid.
        cell.rect = QRect(0, 0, columnWidth - (view->showGrid() ? 1 : 0),
                          view->verticalHeader()->defaultSectionSize());
        return textRect(cell).width();
    }

    static int lineCount(const QString& text, const QFont& font, int width)
    {
        QTextLayout layout(text, font);
        layout.setTextOption(textOption(Qt::AlignLeft));
        int lines = 0;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            ++lines;
        }
        layout.endLayout();
        return std::max(1, lines);
    }

private:
    // Inside the same margins as the texts the view draws itself.
    static QRect textRect(const QStyleOptionViewItem& item)
    {
        const QStyle* style = item.widget ? item.widget->style() : QApplication::style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, item.widget) + 1;
        return style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget).adjusted(margin, 0, -margin, 0);
    }

    static QTextOption textOption(Qt::Alignment alignment)
    {
        QTextOption option(alignment);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        return option;
    }
};

// Columns sized to their contents are measured again over every row at each cell that goes
// in, which makes a fill quadratic: while a table is filled they keep their width, and are
// sized once, together, when the fill ends.
class ColumnSizingDeferred
{
public:
    explicit ColumnSizingDeferred(QTableWidget* table)
        : m_header(table->horizontalHeader())
    {
        for (int column = 0; column < m_header->count(); ++column) {
            if (m_header->sectionResizeMode(column) != QHeaderView::ResizeToContents)
                continue;
            m_columns.append(column);
            m_header->setSectionResizeMode(column, QHeaderView::Interactive);
        }
    }
    ~ColumnSizingDeferred()
    {
        for (const int column : qAsConst(m_columns))
            m_header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    ColumnSizingDeferred(const ColumnSizingDeferred&) = delete;
    ColumnSizingDeferred& operator=(const ColumnSizingDeferred&) = delete;

private:
    QHeaderView* m_header;
    QList<int> m_columns;
};

} // namespace

BoardExplorerPanel::BoardExplorerPanel(QWidget* parent) : QDockWidget(parent)
{
    setWindowTitle(tr("Board explorer"));
    setObjectName(QStringLiteral("boardExplorerDock"));
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);

    auto* container = new QWidget(this);
    auto* layout = new QVBoxLayout(container);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);

    m_filter = new QLineEdit(container);
    m_filter->setPlaceholderText(tr("Filter (reference, value, footprint, net…)"));
    m_filter->setClearButtonEnabled(true);
    layout->addWidget(m_filter);

    m_tabs = new QTabWidget(container);
    m_components = new QTableWidget(container);
    m_nets = new QTableWidget(container);
    setUpTable(m_components, {tr("Ref"), tr("Value"), tr("Footprint"), tr("State")}, 2);
    setUpTable(m_nets, {tr("Net"), tr("Routed"), tr("Left"), tr("State")}, 0);
    // Net names are long (hierarchical sheets) and the dock narrow: they wrap, anywhere if
    // need be, rather than end in "…" after a few letters.
    m_nets->setWordWrap(true);
    m_nets->setItemDelegateForColumn(0, new WrappingDelegate(m_nets));
    m_nets->verticalHeader()->setMinimumSectionSize(m_nets->verticalHeader()->defaultSectionSize());
    m_netRowFit = new QTimer(this);
    m_netRowFit->setSingleShot(true);
    m_netRowFit->setInterval(0);
    connect(m_netRowFit, &QTimer::timeout, this, &BoardExplorerPanel::fitNetRows);
    connect(m_nets->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
        if (column == 0)
            m_netRowFit->start();
    });
    m_tabs->addTab(m_components, tr("Components"));
    m_tabs->addTab(m_nets, tr("Nets"));
    layout->addWidget(m_tabs, 1);

    m_count = new QLabel(container);
    m_count->setWordWrap(true);
    UiTheme::setMuted(m_count);
    layout->addWidget(m_count);
    setWidget(container);

    connect(m_filter, &QLineEdit::textChanged, this, &BoardExplorerPanel::onFilterChanged);
    connect(m_tabs, &QTabWidget::currentChanged, this, &BoardExplorerPanel::onTabChanged);
    for (QTableWidget* table : {m_components, m_nets}) {
        const bool component = table == m_components;
        connect(table, &QTableWidget::itemClicked, this, [this, component](QTableWidgetItem* i) { activate(i, component); });
        connect(table, &QTableWidget::itemActivated, this,
                [this, component](QTableWidgetItem* i) { activate(i, component); });
        connect(table->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, [this] { updateCount(); });
    }
    updateCount();
}

void BoardExplorerPanel::setUpTable(QTableWidget* table, const QStringList& headers, int stretchColumn)
{
    table->setRowCount(0);
    table->setColumnCount(headers.size());
    table->setHorizontalHeaderLabels(headers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setAlternatingRowColors(true);
    table->setSortingEnabled(true);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(QFontMetrics(table->font()).height() + 8);
    table->setTextElideMode(Qt::ElideRight);
    table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    QHeaderView* header = table->horizontalHeader();
    header->setMinimumSectionSize(48);
    for (int column = 0; column < headers.size(); ++column)
        header->setSectionResizeMode(column, column == stretchColumn ? QHeaderView::Stretch
                                                                     : QHeaderView::ResizeToContents);
    header->setSortIndicator(0, Qt::AscendingOrder);
}

void BoardExplorerPanel::clearFilter()
{
    m_filter->clear();
}

void BoardExplorerPanel::onFilterChanged()
{
    updateCount();
}

void BoardExplorerPanel::onTabChanged()
{
    if (netsShown())
        fillPendingNets();
    updateCount();
}

bool BoardExplorerPanel::netsShown() const
{
    return m_tabs->currentWidget() == m_nets;
}

void BoardExplorerPanel::updateCount()
{
    const QString filter = m_filter->text().trimmed();
    const int visibleComponents = applyFilter(m_components, filter);
    const int visibleNets = m_netsPending ? m_netTotal : applyFilter(m_nets, filter);
    const bool components = m_tabs->currentIndex() == 0;
    const int total = components ? m_componentTotal : m_netTotal;
    const int visible = components ? visibleComponents : visibleNets;
    if (total == 0)
        m_count->setText(components ? tr("No component. Import a netlist, then generate the 3D components.")
                                    : tr("No net. Import a netlist."));
    else if (visible != total)
        m_count->setText(components ? tr("%1 of %n component(s) shown", "", total).arg(visible)
                                    : tr("%1 of %n net(s) shown", "", total).arg(visible));
    else
        m_count->setText(components ? tr("%n component(s)", "", total) : tr("%n net(s)", "", total));
}

void BoardExplorerPanel::setRows(const QList<ComponentRow>& components, const QList<NetRow>& nets)
{
    m_suspended = true;
    const QString componentKey = keyOfCurrentRow(m_components);
    const int componentScroll = m_components->verticalScrollBar()->value();
    m_componentTotal = int(components.size());
    fillComponents(components);
    if (!componentKey.isEmpty())
        selectKey(m_components, componentKey);
    m_components->verticalScrollBar()->setValue(componentScroll);
    m_suspended = false;
    // Thousands of nets are listed, and their names measured, only once their tab is opened.
    m_netTotal = int(nets.size());
    m_pendingNets = nets;
    m_netsPending = true;
    if (netsShown())
        fillPendingNets();
    updateCount();
}

void BoardExplorerPanel::fillPendingNets()
{
    if (!m_netsPending)
        return;
    m_netsPending = false;
    m_suspended = true;
    const QString netKey = keyOfCurrentRow(m_nets);
    const int netScroll = m_nets->verticalScrollBar()->value();
    fillNets(std::exchange(m_pendingNets, {}));
    if (!netKey.isEmpty())
        selectKey(m_nets, netKey);
    m_nets->verticalScrollBar()->setValue(netScroll);
    m_suspended = false;
    applyFilter(m_nets, m_filter->text().trimmed());
    fitNetRows();
}

// Rows take one line but for a name wider than its column, which gets the lines it wraps on,
// counted once per name and column width: laying out every cell of every row to size them
// would cost each refresh as much again as the whole fill.
void BoardExplorerPanel::fitNetRows()
{
    m_netRowFit->stop();
    const int width = WrappingDelegate::textWidth(m_nets, m_nets->columnWidth(0));
    if (width != m_netNameWidth)
        m_netNameLines.clear();
    m_netNameWidth = width;
    const int standard = m_nets->verticalHeader()->defaultSectionSize();
    const QFont font = m_nets->font();
    const int lineSpacing = QFontMetrics(font).lineSpacing();
    QHash<QString, int> fitted; // the names shown now, so that the count does not outlive its net
    fitted.reserve(m_nets->rowCount());
    for (int row = 0; row < m_nets->rowCount(); ++row) {
        const QTableWidgetItem* cell = m_nets->item(row, 0);
        if (!cell)
            continue;
        const QString name = cell->text();
        int lines = m_netNameLines.value(name);
        if (lines == 0)
            lines = WrappingDelegate::lineCount(name, font, width);
        fitted.insert(name, lines);
        const int height = standard + (lines - 1) * lineSpacing;
        if (m_nets->rowHeight(row) != height)
            m_nets->setRowHeight(row, height);
    }
    m_netNameLines = std::move(fitted);
}

void BoardExplorerPanel::fillComponents(const QList<ComponentRow>& rows)
{
    QHeaderView* header = m_components->horizontalHeader();
    const int sortColumn = header->sortIndicatorSection();
    const Qt::SortOrder order = header->sortIndicatorOrder();
    const ColumnSizingDeferred sizing(m_components);
    m_components->setSortingEnabled(false);
    m_components->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const ComponentRow& row = rows.at(r);
        const QString toolTip = tr("%1 — %2\n%3\nPads: %4 · Nets: %5")
                                    .arg(row.ref, row.value.isEmpty() ? tr("no value") : row.value,
                                         row.footprint.isEmpty() ? tr("no footprint") : row.footprint)
                                    .arg(row.pads)
                                    .arg(row.nets);
        QString text;
        int severity = 0;
        QColor colour;
        switch (row.state) {
        case 0:
            text = tr("Placed");
            severity = row.noCavity ? 1 : 0;
            if (row.noCavity)
                colour = UiTheme::warningColor(palette());
            break;
        case 1:
            text = tr("Footprint missing");
            severity = 3;
            colour = UiTheme::errorColor(palette());
            break;
        case 2:
            text = tr("Not placed");
            severity = 2;
            colour = UiTheme::warningColor(palette());
            break;
        default:
            text = tr("Not in netlist");
            severity = 2;
            colour = UiTheme::warningColor(palette());
            break;
        }
        if (row.noCavity)
            text += tr(" · no cavity");
        SortableItem* key = item(row.ref, toolTip);
        key->setData(kKeyRole, row.ref);
        m_components->setItem(r, 0, key);
        m_components->setItem(r, 1, item(row.value, toolTip));
        m_components->setItem(r, 2, item(row.footprint, toolTip));
        m_components->setItem(r, 3, stateItem(text, severity, colour, toolTip));
    }
    m_components->setSortingEnabled(true);
    header->setSortIndicator(sortColumn, order);
    m_components->sortItems(sortColumn, order);
}

void BoardExplorerPanel::fillNets(const QList<NetRow>& rows)
{
    QHeaderView* header = m_nets->horizontalHeader();
    const int sortColumn = header->sortIndicatorSection();
    const Qt::SortOrder order = header->sortIndicatorOrder();
    const ColumnSizingDeferred sizing(m_nets);
    m_nets->setSortingEnabled(false);
    m_nets->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const NetRow& row = rows.at(r);
        QString text;
        int severity = 0;
        QColor colour;
        if (row.totalLinks == 0) {
            text = tr("Nothing to route");
        } else if (row.unroutedLinks == 0) {
            text = tr("Routed");
            colour = UiTheme::successColor(palette());
        } else {
            text = tr("To route");
            severity = 1;
        }
        if (row.missingPins > 0) {
            // Nothing left to route among the pads on the board is not a finished net.
            const QString missing = tr("%n pin(s) missing", "", row.missingPins);
            text = row.unroutedLinks > 0 ? text + QStringLiteral(" · ") + missing : missing;
            colour = UiTheme::warningColor(palette());
            severity = 2;
        }
        if (row.detachedEnds > 0) {
            text = tr("%n detached end(s)", "", row.detachedEnds);
            colour = UiTheme::errorColor(palette());
            severity = 3;
        }
        if (row.danglingT > 0) {
            const QString dangling = tr("%n dangling T", "", row.danglingT);
            text = row.detachedEnds > 0 ? text + QStringLiteral(" · ") + dangling : dangling;
            colour = UiTheme::errorColor(palette());
            severity = 3;
        }
        if (row.conflictTracks > 0) {
            const QString conflict = tr("%n track(s) too close to another net", "", row.conflictTracks);
            text = severity == 3 ? text + QStringLiteral(" · ") + conflict : conflict;
            colour = UiTheme::errorColor(palette());
            severity = 3;
        }
        QString toolTip = tr("%1 — %n pad(s)", "", row.pads).arg(row.name) + QLatin1Char('\n') + text;
        if (row.unroutedLinks > 0)
            toolTip += QLatin1Char('\n') + tr("%1 mm left to route").arg(UiTheme::decimal(row.unroutedLengthMm, 1));
        if (row.missingPins > 0)
            toolTip += QLatin1Char('\n')
                + tr("%n pin(s) of this net have no pad on the board: their component has no footprint or is "
                     "not placed.", "", row.missingPins);
        const int routed = row.totalLinks - row.unroutedLinks;
        SortableItem* key = item(row.name, toolTip);
        key->setData(kKeyRole, row.name);
        m_nets->setItem(r, 0, key);
        m_nets->setItem(r, 1, sortedItem(QStringLiteral("%1/%2").arg(routed).arg(row.totalLinks), routed, toolTip));
        m_nets->setItem(r, 2, sortedItem(QString::number(row.unroutedLinks), row.unroutedLinks, toolTip));
        m_nets->setItem(r, 3, stateItem(text, severity, colour, toolTip));
    }
    m_nets->setSortingEnabled(true);
    header->setSortIndicator(sortColumn, order);
    m_nets->sortItems(sortColumn, order);
}

void BoardExplorerPanel::activate(QTableWidgetItem* cell, bool component)
{
    if (m_suspended || !cell)
        return;
    QTableWidget* table = component ? m_components : m_nets;
    const QTableWidgetItem* keyCell = table->item(cell->row(), 0);
    const QString key = keyCell ? keyCell->data(kKeyRole).toString() : QString();
    if (key.isEmpty())
        return;
    if (component)
        emit componentActivated(key);
    else
        emit netActivated(key);
}

void BoardExplorerPanel::selectComponent(const QString& ref)
{
    m_suspended = true;
    bool found = false;
    for (int row = 0; row < m_components->rowCount() && !found; ++row) {
        const QTableWidgetItem* cell = m_components->item(row, 0);
        if (cell && cell->data(kKeyRole).toString() == ref) {
            m_components->selectRow(row);
            m_components->scrollToItem(cell);
            found = true;
        }
    }
    if (!found) {
        m_components->clearSelection();
        m_components->setCurrentCell(-1, -1);
    }
    m_suspended = false;
}

QList<BoardExplorerPanel::ComponentRow> BoardExplorerPanel::buildComponentRows(
    const QMap<QString, NetlistComponent>& netlistComponents, const QMap<QString, PlacedComponentData>& placed,
    const QList<NetlistNet>& nets)
{
    QHash<QString, QSet<QString>> netsOf;
    for (const NetlistNet& net : nets) {
        if (net.netName.isEmpty())
            continue;
        for (const PadId& pin : net.connectedPins)
            if (!pin.ref.isEmpty())
                netsOf[pin.ref].insert(net.netName);
    }
    QMap<QString, ComponentRow> rows;
    for (const NetlistComponent& component : netlistComponents)
        rows.insert(component.ref, {component.ref, component.value, component.footprint, 2, false,
                                    int(component.pins.size()), 0});
    for (const PlacedComponentData& component : placed) {
        if (component.ref.isEmpty())
            continue;
        auto row = rows.find(component.ref);
        if (row == rows.end()) {
            row = rows.insert(component.ref, ComponentRow{component.ref, {}, {}, 3, false, 0, 0});
            if (component.hasMissingFootprint)
                row->state = 1;
        } else {
            row->state = component.hasMissingFootprint ? 1 : 0;
        }
        row->pads = int(component.pads.size());
        row->noCavity = !component.bodyEnabled;
        if (!component.assignedFootprint.isEmpty())
            row->footprint = component.assignedFootprint;
        else if (!component.footprintName.isEmpty())
            row->footprint = component.footprintName;
        else if (!component.requestedFootprint.isEmpty())
            row->footprint = component.requestedFootprint;
    }
    QList<ComponentRow> out;
    for (ComponentRow& row : rows) {
        row.nets = int(netsOf.value(row.ref).size());
        out.append(row);
    }
    return out;
}

QList<BoardExplorerPanel::NetRow> BoardExplorerPanel::buildNetRows(
    const QList<NetlistNet>& nets, const QMap<QString, NetRatsnestStats>& stats,
    const QList<NetConnectivity::EndIssue>& issues, const QList<NetConnectivity::UnresolvedJunction>& junctions)
{
    QMap<QString, QSet<PadId>> padsOf;
    for (const NetlistNet& net : nets) {
        if (net.netName.isEmpty())
            continue;
        QSet<PadId>& pads = padsOf[net.netName];
        for (const PadId& pin : net.connectedPins)
            if (pin.isValid())
                pads.insert(pin);
    }
    QHash<QString, int> detached;
    QHash<QString, int> dangling;
    for (const NetConnectivity::EndIssue& issue : issues)
        if (!issue.netName.isEmpty())
            ++detached[issue.netName];
    for (const NetConnectivity::UnresolvedJunction& junction : junctions)
        if (!junction.netName.isEmpty())
            ++dangling[junction.netName];
    QList<NetRow> out;
    for (auto it = padsOf.cbegin(); it != padsOf.cend(); ++it) {
        const NetRatsnestStats s = stats.value(it.key());
        out.append({it.key(), int(it.value().size()), s.totalLinks, s.unroutedLinks, s.unroutedLengthMm,
                    detached.value(it.key()), dangling.value(it.key()), 0, s.missingPins});
    }
    return out;
}
