// Window showing the print plan for a chosen layer height, with copy and export of its
// reports. It computes nothing itself: the window installs the plan generator.
#pragma once

#include "outputs/printplan.h"

#include <QDialog>
#include <Qt>

#include <functional>

class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QTableWidget;

class PrintPlanDialog : public QDialog
{
    Q_OBJECT

public:
    using Generator = std::function<PrintPlan(double)>;

    explicit PrintPlanDialog(QWidget* parent = nullptr);

    void setGenerator(Generator generator);
    // The stored layer height as this window shows it (within its range, to its two decimals):
    // every output made from a plan uses this same value.
    static double storedLayerHeight();
    void regenerate();
    const PrintPlan& plan() const { return m_plan; }

    // Save-file chooser of the exports; replaceable so that the exports can run unattended.
    // Arguments: parent, caption, filter, default file name.
    using SaveFileChooser = std::function<QString(QWidget*, const QString&, const QString&, const QString&)>;
    void setSaveFileChooser(SaveFileChooser chooser);

public slots:
    void onLayerHeightChanged(double layerHeightMm);
    void onCopyReport();
    void onExportText();
    void onExportCsv();

private:
    friend struct PrintPlanDialogProbe; // test access

    void setupUi();
    void refreshView();
    void addItemRow(const QString& pause, const QString& layer, const QString& pauseZ, const PrintPlanItem& item);
    void setCell(int row, int column, const QString& text, Qt::Alignment alignment);
    void exportToFile(const QString& content, const QString& defaultFileName, const QString& filter);

    Generator m_generator;
    PrintPlan m_plan;
    QDoubleSpinBox* m_layerHeightSpin = nullptr;
    QLabel* m_summaryLabel = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_skippedLabel = nullptr;
    QScrollArea* m_skippedArea = nullptr;
    QLabel* m_noteLabel = nullptr;
    QPushButton* m_copyButton = nullptr;
    QPushButton* m_exportTextButton = nullptr;
    QPushButton* m_exportCsvButton = nullptr;
    SaveFileChooser m_saveFileChooser;
};
