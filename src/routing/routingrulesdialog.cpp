#include "routing/routingrulesdialog.h"

#include "foundation/uitheme.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Decimals first, so that the initial value is shown rounded and clamped like any typed one.
QDoubleSpinBox* makeSpinBox(double minimum, double maximum, double value, const QString& toolTip,
                            QWidget* parent)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setDecimals(2);
    box->setSingleStep(0.1);
    box->setRange(minimum, maximum);
    box->setValue(value);
    box->setSuffix(QStringLiteral(" mm"));
    box->setToolTip(toolTip);
    return box;
}

} // namespace

RoutingRulesDialog::RoutingRulesDialog(const RoutingRules& rules, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Routing rules"));
    setModal(true);
    setMinimumWidth(460);

    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(
        tr("Dimensions applied to the tracks drawn from now on. These rules are saved with the project."), this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    m_trackWidth = makeSpinBox(0.05, 50.0, rules.trackWidth,
                               tr("Width of a new track. Also sets the square section of the vertical "
                                  "segments (width × width)."),
                               this);
    m_trackHeight = makeSpinBox(0.05, 50.0, rules.trackHeight,
                                tr("Thickness in Z of a new horizontal track. A vertical segment keeps a "
                                   "square section and is not thickened by this value."),
                                this);
    m_clearance = makeSpinBox(0.0, 20.0, rules.clearance,
                              tr("Minimum distance between two tracks of different nets. Below this, "
                                 "routing reports a clearance violation."),
                              this);
    m_padClearance = makeSpinBox(0.0, 20.0, rules.padClearance,
                                 tr("Minimum distance between a track and a pad of another net, or an "
                                    "unconnected pad."),
                                 this);
    auto* form = new QFormLayout;
    form->addRow(tr("Track width:"), m_trackWidth);
    form->addRow(tr("Track height:"), m_trackHeight);
    form->addRow(tr("Clearance between tracks:"), m_clearance);
    form->addRow(tr("Clearance track / pad:"), m_padClearance);
    layout->addLayout(form);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);

    auto* note = new QLabel(tr("The tracks already drawn keep their dimensions: they are modified from the "
                               "properties panel, by selecting them."),
                            this);
    note->setWordWrap(true);
    UiTheme::setMuted(note);
    layout->addWidget(note);

    m_useAsDefaults = new QCheckBox(tr("Also use as defaults for new projects"), this);
    layout->addWidget(m_useAsDefaults);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            &RoutingRulesDialog::onRestoreDefaults);
    layout->addWidget(buttons);
}

RoutingRules RoutingRulesDialog::rules() const
{
    RoutingRules rules;
    rules.trackWidth = m_trackWidth->value();
    rules.trackHeight = m_trackHeight->value();
    rules.clearance = m_clearance->value();
    rules.padClearance = m_padClearance->value();
    return rules;
}

bool RoutingRulesDialog::useAsDefaults() const
{
    return m_useAsDefaults->isChecked();
}

void RoutingRulesDialog::onRestoreDefaults()
{
    const RoutingRules defaults;
    m_trackWidth->setValue(defaults.trackWidth);
    m_trackHeight->setValue(defaults.trackHeight);
    m_clearance->setValue(defaults.clearance);
    m_padClearance->setValue(defaults.padClearance);
}
