// Settings of the automatic save and of the ".bak" copy kept by explicit saves.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QSpinBox;

class AutoSaveSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AutoSaveSettingsDialog(QWidget* parent = nullptr);

    bool autoSaveEnabled() const;
    int intervalMinutes() const;
    bool keepPreviousVersion() const;

private:
    void updateSummary();

    QCheckBox* m_enableBox = nullptr;
    QSpinBox* m_intervalSpin = nullptr;
    QCheckBox* m_keepPreviousBox = nullptr;
    QLabel* m_intervalLabel = nullptr;
    QLabel* m_summaryLabel = nullptr;
};
