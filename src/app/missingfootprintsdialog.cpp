#include "app/missingfootprintsdialog.h"

#include "app/reportdialog.h"
#include "foundation/naturalorder.h"
#include "foundation/uitheme.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

QString MissingFootprintsDialog::kicadFootprintFolder()
{
    // KiCad names its library in its environment; else where Debian's packages install it.
    QStringList candidates;
    for (const char* variable : {"KICAD9_FOOTPRINT_DIR", "KICAD8_FOOTPRINT_DIR", "KICAD7_FOOTPRINT_DIR",
                                 "KICAD6_FOOTPRINT_DIR"})
        candidates << qEnvironmentVariable(variable);
    candidates << QStringLiteral("/usr/share/kicad/footprints") << QStringLiteral("/usr/local/share/kicad/footprints");
    for (const QString& candidate : candidates)
        if (!candidate.isEmpty() && QFileInfo(candidate).isDir())
            return QDir::cleanPath(candidate);
    return QString();
}

MissingFootprintsDialog::MissingFootprintsDialog(const QList<MissingFootprintInfo>& missing,
                                                 const QStringList& footprintFolders, QWidget* parent)
    : QDialog(parent)
    , m_missingFootprints(missing)
{
    std::stable_sort(m_missingFootprints.begin(), m_missingFootprints.end(),
                     [](const MissingFootprintInfo& a, const MissingFootprintInfo& b) {
                         return NaturalOrder::less(a.reference, b.reference);
                     });
    const int count = int(m_missingFootprints.size());

    setWindowTitle(tr("⚠ Missing footprints"));
    setMinimumSize(700, 400);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(15);
    layout->setContentsMargins(20, 20, 20, 20);

    auto* icon = new QLabel(QStringLiteral("⚠"), this);
    QFont iconFont = icon->font();
    iconFont.setPointSize(48);
    icon->setFont(iconFont);
    icon->setAlignment(Qt::AlignCenter);
    icon->setStyleSheet(UiTheme::labelStyleSheet(UiTheme::warningColor(palette())));

    auto* title = new QLabel(tr("%n component(s) without footprint", nullptr, count), this);
    QFont titleFont = title->font();
    titleFont.setWeight(QFont::Bold);
    if (titleFont.pointSizeF() > 0)
        titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);
    title->setWordWrap(true);

    auto* explanation = new QLabel(
        tr("The following component(s) could not be matched to a footprint", nullptr, count), this);
    explanation->setAlignment(Qt::AlignCenter);
    explanation->setWordWrap(true);
    UiTheme::setMuted(explanation);

    layout->addWidget(icon);
    layout->addWidget(title);
    layout->addWidget(explanation);
    // Why nothing was found, when the lookup itself says it: no folder to look in, or folders
    // that hold no file of the name (KiCad renames footprints between versions).
    const bool anyNotFound = std::any_of(m_missingFootprints.cbegin(), m_missingFootprints.cend(),
                                         [](const MissingFootprintInfo& info) { return info.reason.isEmpty(); });
    const int folderCount = int(footprintFolders.size());
    QString cause;
    if (folderCount == 0)
        cause = tr("No footprint folder is set, so no footprint could be looked for.");
    else if (anyNotFound)
        cause = tr("None of the %n footprint folder(s) holds a file of the name the netlist asks for.", nullptr,
                   folderCount);
    if (!cause.isEmpty()) {
        auto* causeLabel = new QLabel(cause, this);
        causeLabel->setAlignment(Qt::AlignCenter);
        causeLabel->setWordWrap(true);
        causeLabel->setStyleSheet(
            UiTheme::labelStyleSheet(UiTheme::warningColor(palette()), QStringLiteral("font-weight: bold")));
        layout->addWidget(causeLabel);
    }
    layout->addSpacing(10);

    auto* table = new QTableWidget(count, 3, this);
    table->setHorizontalHeaderLabels({tr("Reference"), tr("Value"), tr("Requested footprint")});
    table->horizontalHeader()->setStretchLastSection(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setAlternatingRowColors(true);
    table->setStyleSheet(QStringLiteral(
        "QTableWidget {  background-color: palette(base);  alternate-background-color: "
        "palette(alternate-base);  color: palette(text);  gridline-color: palette(mid);}"
        "QTableWidget::item {  background-color: rgba(209, 52, 56, 38);  padding: 2px 4px;}"
        "QTableWidget::item:selected {  background-color: palette(highlight);  color: "
        "palette(highlighted-text);}"));

    const QColor errorColor = UiTheme::errorColor(palette());
    QFont referenceFont = table->font();
    referenceFont.setBold(true);
    for (int row = 0; row < count; ++row) {
        const MissingFootprintInfo& info = m_missingFootprints.at(row);
        auto* reference = new QTableWidgetItem(info.reference);
        reference->setFont(referenceFont);
        reference->setForeground(QBrush(errorColor));
        auto* value = new QTableWidgetItem(info.value);
        value->setToolTip(info.value);
        // A footprint that was found but cannot be used says why.
        const QString footprintText = info.reason.isEmpty()
            ? info.requestedFootprint
            : tr("%1 (%2)").arg(info.requestedFootprint, info.reason);
        auto* footprint = new QTableWidgetItem(footprintText);
        footprint->setToolTip(footprintText);
        table->setItem(row, 0, reference);
        table->setItem(row, 1, value);
        table->setItem(row, 2, footprint);
    }
    // Sized to their contents once filled: sized while filling, every cell measures them again.
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    // Every row holds one line of the same fonts: the first, measured, gives all their height.
    // Sizing each row to its contents would lay out every cell again.
    if (count > 0) {
        table->resizeRowToContents(0);
        table->verticalHeader()->setDefaultSectionSize(
            std::max(table->verticalHeader()->defaultSectionSize(), table->rowHeight(0)));
    }
    // As many rows as the screen has room for; the others scroll.
    table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    layout->addWidget(table);

    const QString colouredWord =
        QStringLiteral("<b style=\"color:%1;\">%2</b>")
            .arg(errorColor.name(), tr("RED", "color of the missing components in the 3D view"));
    const QString kicadFolder = kicadFootprintFolder();
    const bool kicadListed =
        std::any_of(footprintFolders.cbegin(), footprintFolders.cend(), [&](const QString& folder) {
            const QString listed = QDir::cleanPath(folder);
            return kicadFolder == listed || kicadFolder.startsWith(listed + QLatin1Char('/'));
        });
    QString kicadHint;
    if (kicadFolder.isEmpty())
        kicadHint = tr("KiCad's own library is the “footprints” folder of its installation.");
    else if (!kicadListed)
        kicadHint = tr("KiCad's own library is in %1.").arg(kicadFolder.toHtmlEscaped());
    const QString helpText = folderCount == 0
        ? tr("💡 <b>How to fix:</b><br>1. Add the folder of your KiCad footprint libraries with "
             "<b>Edit › Footprint folders…</b> (button below), then generate the components again. %2<br>"
             "2. Or one component at a time: missing components appear in %1 in the 3D view; click on one "
             "to select it, use the <b>\"Browse footprint...\"</b> button in the right panel and select the "
             "appropriate .kicad_mod file.")
        : tr("💡 <b>How to fix:</b><br>The netlist may name a footprint that KiCad has renamed since (a pad "
             "size in the name, for instance).<br>1. Missing components appear in %1 in the 3D view; click on "
             "one to select it, use the <b>\"Browse footprint...\"</b> button in the right panel and select the "
             "appropriate .kicad_mod file.<br>2. If your footprints lie in a folder not listed yet, add it with "
             "<b>Edit › Footprint folders…</b> (button below), then generate the components again. %2");
    auto* help = new QLabel(helpText.arg(colouredWord, kicadHint).trimmed(), this);
    help->setTextFormat(Qt::RichText);
    help->setWordWrap(true);
    help->setStyleSheet(QStringLiteral(
        "QLabel {  background-color: rgba(77, 166, 255, 38);  color: palette(text);  border: 1px "
        "solid rgba(77, 166, 255, 140);  border-radius: 5px;  padding: 10px;}"));
    layout->addWidget(help);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* foldersButton = new QPushButton(tr("Footprint folders…"), this);
    foldersButton->setAutoDefault(false);
    auto* copyButton = new QPushButton(tr("📋 Copy the list"), this);
    copyButton->setAutoDefault(false);
    auto* continueButton = new QPushButton(tr("Continue"), this);
    continueButton->setDefault(true);
    continueButton->setStyleSheet(QStringLiteral(
        "QPushButton {   background-color: #4CAF50; color: white;   font-weight: bold; padding: "
        "8px 20px; border-radius: 4px; }QPushButton:hover { background-color: #45a049; }"));
    buttons->addWidget(foldersButton);
    buttons->addWidget(copyButton);
    buttons->addWidget(continueButton);
    layout->addLayout(buttons);

    connect(foldersButton, &QPushButton::clicked, this, [this] { done(ChooseFootprintFolders); });
    connect(copyButton, &QPushButton::clicked, this, &MissingFootprintsDialog::copyListToClipboard);
    connect(continueButton, &QPushButton::clicked, this, &QDialog::accept);
    ReportDialog::fitToScreen(this);
}

void MissingFootprintsDialog::copyListToClipboard()
{
    QString text = tr("=== Missing footprints ===\n\n");
    for (const MissingFootprintInfo& info : qAsConst(m_missingFootprints))
        text += QStringLiteral("%1 (%2) : %3\n").arg(info.reference, info.value, info.requestedFootprint);
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}
