// Editing the list of folders searched for KiCad footprint files.
#pragma once

#include <QDialog>
#include <QStringList>

class FootprintManager;
class QListWidget;
class QPushButton;

class FootprintFoldersDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FootprintFoldersDialog(const QStringList& folders, QWidget* parent = nullptr);
    ~FootprintFoldersDialog() override;

    QStringList folders() const;

    // What accepting the dialog does: the library's folders become the given list (missing
    // folders and duplicates dropped) and the folders it kept are stored in the settings.
    // Returns how many folders the library now holds.
    static int applyFolders(FootprintManager& library, const QStringList& folders);

private slots:
    void onAdd();
    void onRemove();
    void updateButtons();

private:
    QListWidget* m_list = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_removeButton = nullptr;
};
