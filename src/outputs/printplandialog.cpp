#include "outputs/printplandialog.h"

#include "foundation/appsettings.h"
#include "foundation/fileutils.h"
#include "foundation/uitheme.h"
#include "outputs/printplangenerator.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>

#include <algorithm>
#include <cmath>
#include <QVBoxLayout>

namespace {

constexpr double kDefaultLayerHeight = 0.2;
constexpr double kMinLayerHeight = 0.01;
constexpr double kMaxLayerHeight = 2.0;
constexpr int kSkippedLines = 4;

QString mm(double value)
{
    return UiTheme::decimal(value, 2);
}

} // namespace

double PrintPlanDialog::storedLayerHeight()
{
    const double stored = std::clamp(AppSettings::layerHeightMm(kDefaultLayerHeight), kMinLayerHeight, kMaxLayerHeight);
    return std::round(stored * 100.0) / 100.0;
}

PrintPlanDialog::PrintPlanDialog(QWidget* parent)
    : QDialog(parent)
{
    setupUi();
    m_saveFileChooser = [](QWidget* owner, const QString& caption, const QString& filter, const QString& name) {
        return AppSettings::getSaveFileName(owner, AppSettings::Report, caption, filter, QStringList(), name);
    };
}

void PrintPlanDialog::setupUi()
{
    setWindowTitle(tr("Print plan"));
    setModal(false);
    setMinimumSize(760, 480);

    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Layer height:"), this));
    m_layerHeightSpin = new QDoubleSpinBox(this);
    m_layerHeightSpin->setRange(kMinLayerHeight, kMaxLayerHeight);
    m_layerHeightSpin->setDecimals(2);
    m_layerHeightSpin->setSingleStep(0.05);
    m_layerHeightSpin->setSuffix(QStringLiteral(" mm"));
    // Typing "0.15" makes one plan, when the value is complete, not one per keystroke.
    m_layerHeightSpin->setKeyboardTracking(false);
    // Set before connecting, so that building the dialog computes nothing.
    m_layerHeightSpin->setValue(storedLayerHeight());
    top->addWidget(m_layerHeightSpin);
    top->addStretch();
    m_summaryLabel = new QLabel(QStringLiteral("—"), this);
    m_summaryLabel->setWordWrap(true);
    top->addWidget(m_summaryLabel, 1);
    layout->addLayout(top);

    m_table = new QTableWidget(0, 9, this);
    m_table->setHorizontalHeaderLabels({tr("Pause"), tr("Layer"), tr("Z pause (mm)"), tr("Ref"), tr("Value"),
                                        tr("Footprint"), tr("X (mm)"), tr("Y (mm)"), tr("Cavity top (mm)")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setAlternatingRowColors(true);
    m_table->verticalHeader()->setVisible(false);
    m_table->horizontalHeader()->setStretchLastSection(true);
    // The window's first size shows every row the screen has room for.
    m_table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    layout->addWidget(m_table, 1);

    m_skippedLabel = new QLabel(this);
    m_skippedLabel->setWordWrap(true);
    UiTheme::setMuted(m_skippedLabel);
    m_skippedLabel->hide();
    // However many components get no cavity, their list scrolls in a few lines and the table
    // keeps its room.
    m_skippedArea = new QScrollArea(this);
    m_skippedArea->setWidget(m_skippedLabel);
    m_skippedArea->setWidgetResizable(true);
    m_skippedArea->setFrameShape(QFrame::NoFrame);
    m_skippedArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_skippedArea->setMaximumHeight(kSkippedLines * m_skippedLabel->fontMetrics().lineSpacing()
                                    + 2 * m_skippedLabel->margin());
    m_skippedArea->hide();
    layout->addWidget(m_skippedArea);

    m_noteLabel = new QLabel(tr("Heights measured from the bottom of the part (slicer reference point). "
                                "Assumption: cavity accessible from above—check for cavities opening onto a "
                                "side face in the 3D view."),
                             this);
    m_noteLabel->setWordWrap(true);
    UiTheme::setMuted(m_noteLabel);
    m_noteLabel->setStyleSheet(QStringLiteral("QLabel { font-size: 11px; }"));
    layout->addWidget(m_noteLabel);

    auto* buttons = new QHBoxLayout;
    m_copyButton = new QPushButton(tr("Copy report"), this);
    m_exportTextButton = new QPushButton(tr("Export text..."), this);
    m_exportCsvButton = new QPushButton(tr("Export CSV..."), this);
    auto* closeButton = new QPushButton(tr("Close"), this);
    buttons->addWidget(m_copyButton);
    buttons->addWidget(m_exportTextButton);
    buttons->addWidget(m_exportCsvButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);

    connect(m_layerHeightSpin, &QDoubleSpinBox::valueChanged, this, &PrintPlanDialog::onLayerHeightChanged);
    connect(m_copyButton, &QPushButton::clicked, this, &PrintPlanDialog::onCopyReport);
    connect(m_exportTextButton, &QPushButton::clicked, this, &PrintPlanDialog::onExportText);
    connect(m_exportCsvButton, &QPushButton::clicked, this, &PrintPlanDialog::onExportCsv);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);

    m_copyButton->setEnabled(false);
    m_exportTextButton->setEnabled(false);
    m_exportCsvButton->setEnabled(false);
}

void PrintPlanDialog::setGenerator(Generator generator)
{
    m_generator = std::move(generator);
}

void PrintPlanDialog::setSaveFileChooser(SaveFileChooser chooser)
{
    m_saveFileChooser = std::move(chooser);
}

void PrintPlanDialog::regenerate()
{
    if (!m_generator) {
        m_plan = PrintPlan();
        m_plan.error = tr("uninitialized generator");
    } else {
        m_plan = m_generator(m_layerHeightSpin->value());
    }
    refreshView();
}

void PrintPlanDialog::onLayerHeightChanged(double layerHeightMm)
{
    AppSettings::setLayerHeightMm(layerHeightMm);
    regenerate();
}

void PrintPlanDialog::refreshView()
{
    m_table->setRowCount(0);
    m_copyButton->setEnabled(m_plan.ok);
    m_exportTextButton->setEnabled(m_plan.ok);
    m_exportCsvButton->setEnabled(m_plan.ok && m_plan.totalInsertCount() > 0);

    if (!m_plan.ok) {
        m_summaryLabel->setText(tr("Plan unavailable: %1").arg(m_plan.error));
        m_skippedLabel->hide();
        m_skippedArea->hide();
        return;
    }

    QString summary = tr("Part: %1 mm — %n layer(s)", nullptr, m_plan.layerCount).arg(mm(m_plan.partHeight))
                      + QStringLiteral("  |  ") + tr("%n pause(s)", nullptr, int(m_plan.pauses.size()))
                      + QStringLiteral(", ") + tr("%n insertion(s)", nullptr, m_plan.totalInsertCount());
    if (const int outside = m_plan.outsidePartCount())
        summary += QStringLiteral(", ") + tr("%n component(s) not in the part", nullptr, outside);
    m_summaryLabel->setText(summary);

    for (int i = 0; i < m_plan.pauses.size(); ++i) {
        const PrintPlanPause& pause = m_plan.pauses.at(i);
        for (const PrintPlanItem& item : pause.items)
            addItemRow(QString::number(i + 1), QString::number(pause.layer), mm(pause.z), item);
    }
    const QString none = QStringLiteral("—");
    for (const PrintPlanItem& item : m_plan.endInsertions)
        addItemRow(tr("End"), none, none, item);
    m_table->resizeColumnsToContents();

    if (m_plan.notHollowed.isEmpty()) {
        m_skippedLabel->hide();
        m_skippedArea->hide();
        return;
    }
    QStringList entries;
    for (const PrintPlanSkip& skip : m_plan.notHollowed)
        entries.append(QStringLiteral("%1 (%2)").arg(skip.ref, skip.reason));
    m_skippedLabel->setText(tr("Without insertion: %1").arg(entries.join(QStringLiteral(", "))));
    m_skippedLabel->show();
    m_skippedArea->show();
    // A hidden window's label does not tell its area that the text changed: the area would
    // keep the label at the height of the last list shown, too short to hold or scroll this one.
    QEvent relayout(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(m_skippedArea, &relayout);
}

void PrintPlanDialog::addItemRow(const QString& pause, const QString& layer, const QString& pauseZ,
                                 const PrintPlanItem& item)
{
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    const Qt::Alignment number = Qt::AlignRight | Qt::AlignVCenter;
    const Qt::Alignment text = Qt::AlignLeft | Qt::AlignVCenter;
    setCell(row, 0, pause, Qt::AlignCenter);
    setCell(row, 1, layer, Qt::AlignCenter);
    setCell(row, 2, pauseZ, number);
    setCell(row, 3, item.ref, text);
    setCell(row, 4, item.value, text);
    setCell(row, 5, item.footprint, text);
    setCell(row, 6, mm(item.x), number);
    setCell(row, 7, mm(item.y), number);
    setCell(row, 8, mm(item.cavityTopRel), number);
}

void PrintPlanDialog::setCell(int row, int column, const QString& text, Qt::Alignment alignment)
{
    auto* cell = new QTableWidgetItem(text);
    cell->setTextAlignment(alignment);
    m_table->setItem(row, column, cell);
}

void PrintPlanDialog::onCopyReport()
{
    QApplication::clipboard()->setText(PrintPlanGenerator::toText(m_plan));
    m_summaryLabel->setText(tr("Report copied to the clipboard."));
}

void PrintPlanDialog::onExportText()
{
    exportToFile(PrintPlanGenerator::toText(m_plan) + QLatin1Char('\n'), QStringLiteral("plan_impression.txt"),
                 tr("Text files") + QStringLiteral(" (*.txt);;") + tr("All files") + QStringLiteral(" (*)"));
}

void PrintPlanDialog::onExportCsv()
{
    exportToFile(PrintPlanGenerator::toCsv(m_plan), QStringLiteral("plan_impression.csv"),
                 tr("CSV files") + QStringLiteral(" (*.csv);;") + tr("All files") + QStringLiteral(" (*)"));
}

void PrintPlanDialog::exportToFile(const QString& content, const QString& defaultFileName, const QString& filter)
{
    const QString path = m_saveFileChooser(this, tr("Export the print plan"), filter, defaultFileName);
    if (path.isEmpty())
        return;
    const QByteArray bytes = QByteArrayLiteral("\xEF\xBB\xBF") + content.toUtf8();
    const FileWriteResult result = FileUtils::writeFileAtomically(path, bytes, QIODevice::Text);
    if (!result.ok()) {
        QMessageBox::warning(this, tr("Error"),
                             tr("Unable to write file:\n%1\n\n%2").arg(path, FileUtils::describeWriteResult(result)),
                             QMessageBox::Ok);
        return;
    }
    m_summaryLabel->setText(tr("Exported plan: %1").arg(QFileInfo(path).fileName()));
}
