#include "routing/resistancedialog.h"

#include "foundation/uitheme.h"
#include "model/padid.h"
#include "routing/resistanceresult.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

const char kDash[] = "—";

QString padText(const PadId& pad)
{
    if (pad.ref.isEmpty() || pad.pad.isEmpty())
        return QString::fromUtf8(kDash);
    return ResistanceDialog::tr("%1 / %2").arg(pad.ref, pad.pad);
}

QString ohms(double value)
{
    return QString::number(value, 'f', 4);
}

} // namespace

ResistanceDialog::ResistanceDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Resistance measurement"));
    setModal(false);
    setMinimumWidth(340);

    auto* layout = new QVBoxLayout(this);

    auto* form = new QFormLayout;
    m_resistivity = new QDoubleSpinBox(this);
    m_resistivity->setRange(0.0001, 100000.0);
    m_resistivity->setDecimals(4);
    m_resistivity->setValue(2.59);
    m_resistivity->setSuffix(tr(" Ω·cm"));
    form->addRow(tr("Resistivity:"), m_resistivity);
    layout->addLayout(form);

    auto* padsBox = new QGroupBox(tr("Selected pads"), this);
    auto* padsForm = new QFormLayout(padsBox);
    m_padA = new QLabel(QString::fromUtf8(kDash), padsBox);
    m_padB = new QLabel(QString::fromUtf8(kDash), padsBox);
    padsForm->addRow(tr("Pad A:"), m_padA);
    padsForm->addRow(tr("Pad B:"), m_padB);
    layout->addWidget(padsBox);

    m_status = new QLabel(tr("Click on the first pad in the 3D view."), this);
    m_status->setWordWrap(true);
    m_status->setStyleSheet(QStringLiteral("QLabel { color: palette(text); font-weight: bold; }"));
    layout->addWidget(m_status);

    auto* resultBox = new QGroupBox(tr("Result"), this);
    auto* resultLayout = new QVBoxLayout(resultBox);
    m_result = new QLabel(QString::fromUtf8(kDash), resultBox);
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    resultLayout->addWidget(m_result);
    layout->addWidget(resultBox);

    m_newMeasurement = new QPushButton(tr("New measurement"), this);
    layout->addWidget(m_newMeasurement);

    connect(m_resistivity, &QDoubleSpinBox::valueChanged, this, &ResistanceDialog::resistivityChanged);
    connect(m_newMeasurement, &QPushButton::clicked, this, &ResistanceDialog::resetRequested);
}

ResistanceDialog::~ResistanceDialog() = default;

double ResistanceDialog::resistivity() const
{
    return m_resistivity->value();
}

void ResistanceDialog::setResistivity(double ohmCm)
{
    // The spin box would turn a NaN into its maximum.
    if (std::isnan(ohmCm))
        return;
    m_resistivity->setValue(ohmCm);
}

void ResistanceDialog::clearResult()
{
    m_result->setText(QString::fromUtf8(kDash));
    m_result->setStyleSheet(QString());
}

void ResistanceDialog::setStep(int padsChosen)
{
    if (padsChosen < 1) {
        m_status->setText(tr("Click on the first pad in the 3D view."));
        clearResult();
    } else if (padsChosen == 1) {
        m_status->setText(tr("Click on the second pad."));
        clearResult();
    } else {
        m_status->setText(tr("Computing…"));
    }
}

void ResistanceDialog::setPads(const PadId& a, const PadId& b)
{
    m_padA->setText(padText(a));
    m_padB->setText(padText(b));
}

void ResistanceDialog::showResult(const ResistanceResult& result)
{
    // A caller's record is checked too: never a NaN or a negative figure on screen.
    const bool shown = result.ok && std::isfinite(result.totalOhm()) && result.tracksOhm >= 0.0
        && result.padAOhm >= 0.0 && result.padBOhm >= 0.0;
    if (shown) {
        m_status->setText(tr("Measurement done (net %1).").arg(result.netName));
        m_result->setStyleSheet(QString());
        m_result->setText(tr("Tracks: %1 Ω\nPad A:  %2 Ω\nPad B:  %3 Ω\n———————\nTotal:  %4 Ω")
                              .arg(ohms(result.tracksOhm), ohms(result.padAOhm),
                                   ohms(result.padBOhm), ohms(result.totalOhm())));
        return;
    }
    m_status->setText(tr("Measurement impossible."));
    m_result->setStyleSheet(UiTheme::labelStyleSheet(UiTheme::errorColor(palette())));
    QString error = result.error;
    if (error.isEmpty())
        error = tr("Unknown error");
    m_result->setText(error);
}
