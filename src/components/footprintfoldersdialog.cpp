#include "components/footprintfoldersdialog.h"

#include "components/footprintmanager.h"
#include "foundation/appsettings.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

FootprintFoldersDialog::FootprintFoldersDialog(const QStringList& folders, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Footprint folders"));
    setModal(true);
    setMinimumWidth(480);

    auto* layout = new QVBoxLayout(this);

    auto* intro = new QLabel(
        tr("Directories searched during footprint assignment (recursive search for .kicad_mod files)."),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->addItems(folders);
    layout->addWidget(m_list);

    auto* row = new QHBoxLayout;
    m_addButton = new QPushButton(tr("Add..."), this);
    m_removeButton = new QPushButton(tr("Remove"), this);
    row->addWidget(m_addButton);
    row->addWidget(m_removeButton);
    row->addStretch();
    layout->addLayout(row);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);

    connect(m_addButton, &QPushButton::clicked, this, &FootprintFoldersDialog::onAdd);
    connect(m_removeButton, &QPushButton::clicked, this, &FootprintFoldersDialog::onRemove);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &FootprintFoldersDialog::updateButtons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    updateButtons();
}

FootprintFoldersDialog::~FootprintFoldersDialog() = default;

QStringList FootprintFoldersDialog::folders() const
{
    QStringList result;
    result.reserve(m_list->count());
    for (int row = 0; row < m_list->count(); ++row)
        result.append(m_list->item(row)->text());
    return result;
}

int FootprintFoldersDialog::applyFolders(FootprintManager& library, const QStringList& folders)
{
    library.clearSearchPaths();
    for (const QString& folder : folders)
        library.addSearchPath(folder);
    const QStringList kept = library.searchPaths();
    AppSettings::setFootprintDirs(kept);
    return kept.size();
}

void FootprintFoldersDialog::onAdd()
{
    const QString folder = AppSettings::getExistingDirectory(
        this, AppSettings::DirectoryKind::Footprints, tr("Select a KiCad footprint folder"),
        QDir::homePath());
    if (folder.isEmpty())
        return;

    const QList<QListWidgetItem*> existing = m_list->findItems(folder, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!existing.isEmpty()) {
        m_list->setCurrentItem(existing.first());
        return;
    }
    m_list->addItem(folder);
    m_list->setCurrentRow(m_list->count() - 1);
}

void FootprintFoldersDialog::onRemove()
{
    qDeleteAll(m_list->selectedItems());
    updateButtons();
}

void FootprintFoldersDialog::updateButtons()
{
    m_removeButton->setEnabled(!m_list->selectedItems().isEmpty());
    m_addButton->setEnabled(true);
}
