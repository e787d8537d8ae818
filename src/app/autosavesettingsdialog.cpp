#include "app/autosavesettingsdialog.h"

#include "foundation/appsettings.h"
#include "foundation/uitheme.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr int kDefaultIntervalMinutes = 5;
}

AutoSaveSettingsDialog::AutoSaveSettingsDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Automatic save"));
    setModal(true);
    setMinimumWidth(480);

    auto* layout = new QVBoxLayout(this);

    auto* intro = new QLabel(
        tr("The automatic save NEVER writes your project file. It writes a separate copy next to "
           "it, and Vantorquelle offers to recover that copy if it is more recent than the project "
           "when you reopen it."));
    intro->setWordWrap(true);
    layout->addWidget(intro);

    m_enableBox = new QCheckBox(tr("Save automatically"));
    m_enableBox->setChecked(AppSettings::autoSaveEnabled(true));
    layout->addWidget(m_enableBox);

    auto* form = new QFormLayout;
    m_intervalLabel = new QLabel(tr("Interval:"));
    m_intervalSpin = new QSpinBox;
    m_intervalSpin->setRange(int(AppSettings::kAutoSaveMinutesRange.min),
                             int(AppSettings::kAutoSaveMinutesRange.max));
    m_intervalSpin->setValue(AppSettings::autoSaveIntervalMinutes(kDefaultIntervalMinutes));
    m_intervalSpin->setSuffix(tr(" min"));
    m_intervalSpin->setToolTip(tr("A save is skipped when nothing has changed, and while a track is "
                                  "being drawn — so this is a maximum, not a rhythm."));
    form->addRow(m_intervalLabel, m_intervalSpin);
    layout->addLayout(form);

    m_summaryLabel = new QLabel;
    m_summaryLabel->setWordWrap(true);
    UiTheme::setMuted(m_summaryLabel);
    layout->addWidget(m_summaryLabel);

    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);

    m_keepPreviousBox = new QCheckBox(tr("Keep the previous version as “.bak” when saving"));
    m_keepPreviousBox->setChecked(AppSettings::keepPreviousVersion(false));
    m_keepPreviousBox->setToolTip(tr("Each explicit save first copies the file it replaces. A project "
                                     "carries its 3D geometry inside it, so this doubles what the "
                                     "folder holds."));
    layout->addWidget(m_keepPreviousBox);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_enableBox, &QCheckBox::toggled, this, [this] { updateSummary(); });
    connect(m_intervalSpin, &QSpinBox::valueChanged, this, [this] { updateSummary(); });
    updateSummary();
}

bool AutoSaveSettingsDialog::autoSaveEnabled() const
{
    return m_enableBox->isChecked();
}

int AutoSaveSettingsDialog::intervalMinutes() const
{
    return m_intervalSpin->value();
}

bool AutoSaveSettingsDialog::keepPreviousVersion() const
{
    return m_keepPreviousBox->isChecked();
}

void AutoSaveSettingsDialog::updateSummary()
{
    const bool enabled = m_enableBox->isChecked();
    m_intervalSpin->setEnabled(enabled);
    m_intervalLabel->setEnabled(enabled);
    m_summaryLabel->setText(enabled
                                ? tr("At most %n minute(s) of work can be lost.", nullptr,
                                     m_intervalSpin->value())
                                : tr("Nothing is saved automatically. Only Ctrl+S writes your work "
                                     "to disk."));
}
