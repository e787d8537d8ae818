// The properties panel's widget tree: the empty page, the component page with its movement
// controls, and the track page.
#include "app/propertiespanel.h"

#include "foundation/uitheme.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kRowHeight = 35;
const char* const kValueLabelStyle = "QLabel { padding: 3px; }";

} // namespace

PropertiesPanel::PropertiesPanel(QWidget* parent)
    : QWidget(parent)
{
    setupUi();
    clearSelection();
}

void PropertiesPanel::setupUi()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setSpacing(10);

    m_headerLabel = new QLabel(tr("No selection"));
    m_headerLabel->setStyleSheet(QStringLiteral("QLabel { font-style: italic; }"));
    UiTheme::setMuted(m_headerLabel);
    m_headerLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_headerLabel);

    m_stack = new QStackedWidget;
    m_stack->addWidget(createEmptyPage());
    m_stack->addWidget(createComponentPage());
    m_stack->addWidget(createTrackPage());
    m_stack->setCurrentIndex(0);
    layout->addWidget(m_stack, 1);
}

QWidget* PropertiesPanel::createEmptyPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    auto* label = new QLabel(tr("Select a component or a track."));
    UiTheme::setMuted(label);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    layout->addWidget(label);
    layout->addStretch();
    return page;
}

QTableWidget* PropertiesPanel::createPropertyTable(int rowCount)
{
    auto* table = new QTableWidget(rowCount, 2);
    table->setHorizontalHeaderLabels({tr("Property"), tr("Value")});
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setVisible(false);
    table->setAlternatingRowColors(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setColumnWidth(0, 140);
    return table;
}

void PropertiesPanel::addPropertyRow(QTableWidget* table, int row, const QString& label, QWidget* editor)
{
    auto* item = new QTableWidgetItem(label);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    table->setItem(row, 0, item);
    table->setCellWidget(row, 1, editor);
    table->setRowHeight(row, kRowHeight);
}

QDoubleSpinBox* PropertiesPanel::createSpin(double minimum, double maximum, int decimals, const QString& suffix)
{
    auto* spin = new QDoubleSpinBox;
    spin->setRange(minimum, maximum);
    spin->setDecimals(decimals);
    spin->setSuffix(suffix);
    return spin;
}

void PropertiesPanel::createComponentPropertiesTable()
{
    m_componentTable = createPropertyTable(15);
    auto* reference = new QLabel;
    reference->setStyleSheet(QString::fromLatin1(kValueLabelStyle));
    m_footprintNameEdit = new QLineEdit;
    m_footprintPathEdit = new QLineEdit;
    m_footprintPathEdit->setReadOnly(true);
    const QString mm = QStringLiteral(" mm");
    m_posXSpin = createSpin(-500, 500, 2, mm);
    m_posYSpin = createSpin(-500, 500, 2, mm);
    m_posZSpin = createSpin(0, 100, 2, mm);
    m_rotationSpin = createSpin(0, 359.9, 1, QStringLiteral("°"));
    m_thicknessSpin = createSpin(0.1, 10, 2, mm);
    m_undercutSpin = createSpin(0, 5, 2, mm);
    m_padScaleSpin = createSpin(10, 1000, 1, QStringLiteral(" %"));
    m_padScaleSpin->setToolTip(tr("Scales the pads in X and Y only (100 % = footprint size).\nResizes each pad "
                                  "about its own center; spacing and Z (thickness/undercut) are unchanged."));
    m_bodyWidthSpin = createSpin(0, 100, 2, mm);
    m_bodyLengthSpin = createSpin(0, 100, 2, mm);
    m_bodyHeightSpin = createSpin(0, 50, 2, mm);
    m_bodyOffsetZSpin = createSpin(-10, 10, 2, mm);
    m_bodyEnabledCheck = new QCheckBox(tr("Activated"));
    m_bodyEnabledCheck->setChecked(true);
    m_bodyEnabledCheck->setToolTip(tr("Unchecked: the case becomes brown/transparent and is NOT recessed\nin the "
                                      "part during STEP export (the pads remain recessed)."));

    const QList<QPair<QString, QWidget*>> rows = {
        {tr("Reference"), reference},
        {tr("Footprint name"), m_footprintNameEdit},
        {tr("Footprint path"), m_footprintPathEdit},
        {tr("Position X (mm)"), m_posXSpin},
        {tr("Position Y (mm)"), m_posYSpin},
        {tr("Position Z (mm)"), m_posZSpin},
        {tr("Rotation Z (°)"), m_rotationSpin},
        {tr("Pad thickness (mm)"), m_thicknessSpin},
        {tr("Undercut (mm)"), m_undercutSpin},
        {tr("Pad XY scale (%)"), m_padScaleSpin},
        {tr("Body width (mm)"), m_bodyWidthSpin},
        {tr("Body length (mm)"), m_bodyLengthSpin},
        {tr("Body height (mm)"), m_bodyHeightSpin},
        {tr("Body Z offset (mm)"), m_bodyOffsetZSpin},
        {tr("Active cavity"), m_bodyEnabledCheck},
    };
    for (int row = 0; row < rows.size(); ++row)
        addPropertyRow(m_componentTable, row, rows[row].first, rows[row].second);
}

QWidget* PropertiesPanel::createComponentPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);

    createComponentPropertiesTable();
    layout->addWidget(m_componentTable, 1);

    auto* buttons = new QHBoxLayout;
    m_browseButton = new QPushButton(tr("Browse footprint..."));
    connect(m_browseButton, &QPushButton::clicked, this, &PropertiesPanel::onBrowseFootprintClicked);
    m_applyButton = new QPushButton(tr("Apply"));
    QFont bold = m_applyButton->font();
    bold.setWeight(QFont::Bold);
    m_applyButton->setFont(bold);
    connect(m_applyButton, &QPushButton::clicked, this, &PropertiesPanel::onApplyClicked);
    buttons->addWidget(m_browseButton);
    buttons->addWidget(m_applyButton);
    layout->addLayout(buttons);
    m_componentControls << m_browseButton << m_applyButton;

    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);

    createMovementControls(layout);
    for (QWidget* control : std::as_const(m_componentControls))
        control->setEnabled(false);
    return page;
}

QPushButton* PropertiesPanel::createMoveButton(const QString& text, double dx, double dy, double dz)
{
    auto* button = new QPushButton(text);
    connect(button, &QPushButton::clicked, this, [this, dx, dy, dz] {
        if (m_currentReference.isEmpty())
            return;
        const double step = m_stepSpin->value();
        emit moveComponent(m_currentReference, dx * step, dy * step, dz * step);
    });
    return button;
}

void PropertiesPanel::createMovementControls(QVBoxLayout* layout)
{
    auto* block = new QVBoxLayout;
    auto* title = new QLabel(tr("Manual movement"));
    title->setStyleSheet(QStringLiteral("QLabel { font-weight: bold; }"));
    block->addWidget(title);

    auto* stepRow = new QHBoxLayout;
    stepRow->addWidget(new QLabel(tr("Step:")));
    m_stepSpin = createSpin(0.1, 100, 2, QStringLiteral(" mm"));
    m_stepSpin->setValue(1.0);
    stepRow->addWidget(m_stepSpin);
    block->addLayout(stepRow);

    auto* plane = new QGroupBox(tr("XY plane"));
    auto* grid = new QGridLayout(plane);
    m_moveYPlusButton = createMoveButton(QStringLiteral("↑ Y+"), 0, 1, 0);
    m_moveXMinusButton = createMoveButton(QStringLiteral("← X-"), -1, 0, 0);
    m_moveXPlusButton = createMoveButton(QStringLiteral("→ X+"), 1, 0, 0);
    m_moveYMinusButton = createMoveButton(QStringLiteral("↓ Y-"), 0, -1, 0);
    auto* centre = new QLabel(QStringLiteral("XY"));
    centre->setAlignment(Qt::AlignCenter);
    grid->addWidget(m_moveYPlusButton, 0, 1);
    grid->addWidget(m_moveXMinusButton, 1, 0);
    grid->addWidget(centre, 1, 1);
    grid->addWidget(m_moveXPlusButton, 1, 2);
    grid->addWidget(m_moveYMinusButton, 2, 1);
    block->addWidget(plane);

    auto* axis = new QGroupBox(tr("Z axis"));
    auto* axisRow = new QHBoxLayout(axis);
    m_moveZMinusButton = createMoveButton(QStringLiteral("⬇ Z-"), 0, 0, -1);
    m_moveZPlusButton = createMoveButton(QStringLiteral("⬆ Z+"), 0, 0, 1);
    axisRow->addWidget(m_moveZMinusButton);
    axisRow->addWidget(m_moveZPlusButton);
    block->addWidget(axis);

    auto* rotation = new QGroupBox(tr("Rotation Z"));
    auto* rotationRow = new QHBoxLayout(rotation);
    m_rotateCcwButton = new QPushButton(tr("↶ 90° CCW"));
    m_resetRotationButton = new QPushButton(tr("⟲ Reset"));
    m_rotateCwButton = new QPushButton(tr("↷ 90° CW"));
    connect(m_rotateCcwButton, &QPushButton::clicked, this, &PropertiesPanel::onRotate90CCW);
    connect(m_resetRotationButton, &QPushButton::clicked, this, &PropertiesPanel::onResetRotation);
    connect(m_rotateCwButton, &QPushButton::clicked, this, &PropertiesPanel::onRotate90CW);
    rotationRow->addWidget(m_rotateCcwButton);
    rotationRow->addWidget(m_resetRotationButton);
    rotationRow->addWidget(m_rotateCwButton);
    block->addWidget(rotation);
    layout->addLayout(block);

    m_componentControls << m_moveXPlusButton << m_moveXMinusButton << m_moveYPlusButton << m_moveYMinusButton
                        << m_moveZPlusButton << m_moveZMinusButton << m_rotateCwButton << m_rotateCcwButton
                        << m_resetRotationButton;
}

QWidget* PropertiesPanel::createTrackPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);

    m_trackTable = createPropertyTable(6);
    const auto valueLabel = [] {
        auto* label = new QLabel(QStringLiteral("-"));
        label->setStyleSheet(QString::fromLatin1(kValueLabelStyle));
        return label;
    };
    m_trackNetLabel = valueLabel();
    m_trackStartLabel = valueLabel();
    m_trackEndLabel = valueLabel();
    m_trackSegmentsLabel = valueLabel();
    m_trackWidthSpin = createSpin(0.1, 50, 2, QStringLiteral(" mm"));
    m_trackWidthSpin->setSingleStep(0.1);
    m_trackHeightSpin = createSpin(0.1, 50, 2, QStringLiteral(" mm"));
    m_trackHeightSpin->setSingleStep(0.1);
    addPropertyRow(m_trackTable, 0, tr("Net"), m_trackNetLabel);
    addPropertyRow(m_trackTable, 1, tr("Start"), m_trackStartLabel);
    addPropertyRow(m_trackTable, 2, tr("End"), m_trackEndLabel);
    addPropertyRow(m_trackTable, 3, tr("Segments"), m_trackSegmentsLabel);
    addPropertyRow(m_trackTable, 4, tr("Width (mm)"), m_trackWidthSpin);
    addPropertyRow(m_trackTable, 5, tr("Height (mm)"), m_trackHeightSpin);
    layout->addWidget(m_trackTable, 1);

    m_trackApplyButton = new QPushButton(tr("Apply"));
    m_trackApplyButton->setEnabled(false);
    m_trackApplyButton->setStyleSheet(QStringLiteral("QPushButton { font-weight: bold; }"));
    connect(m_trackApplyButton, &QPushButton::clicked, this, &PropertiesPanel::onTrackApplyClicked);
    layout->addWidget(m_trackApplyButton);
    return page;
}
