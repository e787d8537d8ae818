// Editing the section of new tracks and the clearances of the collision test.
#pragma once

#include "foundation/routingrules.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;

class RoutingRulesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit RoutingRulesDialog(const RoutingRules& rules, QWidget* parent = nullptr);

    RoutingRules rules() const;
    bool useAsDefaults() const;

public slots:
    void onRestoreDefaults();

private:
    QDoubleSpinBox* m_trackWidth = nullptr;
    QDoubleSpinBox* m_trackHeight = nullptr;
    QDoubleSpinBox* m_clearance = nullptr;
    QDoubleSpinBox* m_padClearance = nullptr;
    QCheckBox* m_useAsDefaults = nullptr;
};
