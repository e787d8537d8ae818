// Non-modal panel of the resistance probe: resistivity, the two chosen pads, a prompt and the
// result. It keeps no measurement state: the main window drives it.
#pragma once

#include <QDialog>

class QDoubleSpinBox;
class QLabel;
class QPushButton;
struct PadId;
struct ResistanceResult;

class ResistanceDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ResistanceDialog(QWidget* parent = nullptr);
    ~ResistanceDialog() override;

    double resistivity() const;
    // A value that is not a number is ignored; others are clamped to the box's range.
    void setResistivity(double ohmCm);
    void setStep(int padsChosen);
    void setPads(const PadId& a, const PadId& b);
    void showResult(const ResistanceResult& result);

signals:
    void resistivityChanged(double ohmCm);
    void resetRequested();

private:
    void clearResult();

    QDoubleSpinBox* m_resistivity = nullptr;
    QLabel* m_padA = nullptr;
    QLabel* m_padB = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_result = nullptr;
    QPushButton* m_newMeasurement = nullptr;
};
