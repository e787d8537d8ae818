// The options asked before every 3MF export; confirmed values are remembered.
#pragma once

#include "outputs/exportoptions.h"

#include <QDialog>

class QCheckBox;
class QSpinBox;

class ThreeMfExportDialog : public QDialog
{
    Q_OBJECT

public:
    ThreeMfExportDialog(const QString& title, bool nativePauses, QWidget* parent = nullptr);

    // The defaults, with the three user choices and the native-pauses flag.
    ExportOptions options() const;

public slots:
    void accept() override;

private:
    bool m_nativePauses;
    QSpinBox* m_perimeters = nullptr;
    QCheckBox* m_embedTxt = nullptr;
    QCheckBox* m_embedCsv = nullptr;
};
