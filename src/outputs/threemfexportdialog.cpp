#include "outputs/threemfexportdialog.h"

#include "foundation/appsettings.h"
#include "foundation/uitheme.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr int kDefaultPerimeters = 4;
constexpr int kMaxPerimeters = 20;
constexpr int kConductorInfillPercent = 90; // what the slicer configuration forces on conductors
} // namespace

ThreeMfExportDialog::ThreeMfExportDialog(const QString& title, bool nativePauses, QWidget* parent)
    : QDialog(parent)
    , m_nativePauses(nativePauses)
{
    setWindowTitle(title);
    setModal(true);

    auto* layout = new QVBoxLayout(this);

    auto* form = new QFormLayout;
    m_perimeters = new QSpinBox(this);
    m_perimeters->setRange(1, kMaxPerimeters);
    m_perimeters->setValue(AppSettings::conductorPerimeters(kDefaultPerimeters));
    form->addRow(tr("Perimeters applied to conductive elements\n(%1 % forced infill, PrusaSlicer settings):")
                     .arg(kConductorInfillPercent),
                 m_perimeters);
    layout->addLayout(form);

    m_embedTxt = new QCheckBox(tr("Embed the print plan as text (.txt)"), this);
    m_embedTxt->setChecked(AppSettings::embedPlanTxt(true));
    layout->addWidget(m_embedTxt);

    m_embedCsv = new QCheckBox(tr("Embed the print plan as CSV (.csv)"), this);
    m_embedCsv->setChecked(AppSettings::embedPlanCsv(true));
    layout->addWidget(m_embedCsv);

    if (m_nativePauses) {
        auto* note = new QLabel(
            tr("Native insertion pauses (M601) will be embedded: open the file as a project in PrusaSlicer."), this);
        note->setObjectName(QStringLiteral("nativePausesNote"));
        note->setWordWrap(true);
        UiTheme::setMuted(note);
        layout->addWidget(note);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ThreeMfExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ThreeMfExportDialog::reject);
    layout->addWidget(buttons);
}

ExportOptions ThreeMfExportDialog::options() const
{
    ExportOptions options;
    options.conductorPerimeters = m_perimeters->value();
    options.embedPlanTxt = m_embedTxt->isChecked();
    options.embedPlanCsv = m_embedCsv->isChecked();
    options.nativePauses = m_nativePauses;
    return options;
}

void ThreeMfExportDialog::accept()
{
    AppSettings::setConductorPerimeters(m_perimeters->value());
    AppSettings::setEmbedPlanTxt(m_embedTxt->isChecked());
    AppSettings::setEmbedPlanCsv(m_embedCsv->isChecked());
    QDialog::accept();
}
