#include "app/reportdialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>

#include <algorithm>

namespace {

// Room left around a window for its frame and title bar, which the window does not count.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 56;
constexpr int kMinWidth = 360;
// A report without a list reads best as a message box does: not wider than this.
constexpr int kPlainWidth = 640;
constexpr int kMinListLines = 4;

// Asks the layout for room for its whole text; the window caps it to the screen.
class ListView : public QPlainTextEdit
{
public:
    using QPlainTextEdit::QPlainTextEdit;
    QSize wanted;
    QSize sizeHint() const override { return wanted.isValid() ? wanted : QPlainTextEdit::sizeHint(); }
};

QString withoutOuterLineFeeds(QString text)
{
    while (text.startsWith(QLatin1Char('\n')))
        text.remove(0, 1);
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

int widestLine(const QFontMetrics& metrics, const QString& text)
{
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

QLabel* textLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QStyle::StandardPixmap pixmapOf(QMessageBox::Icon icon)
{
    switch (icon) {
    case QMessageBox::Warning:
        return QStyle::SP_MessageBoxWarning;
    case QMessageBox::Critical:
        return QStyle::SP_MessageBoxCritical;
    case QMessageBox::Question:
        return QStyle::SP_MessageBoxQuestion;
    default:
        return QStyle::SP_MessageBoxInformation;
    }
}

} // namespace

ReportDialog::ReportDialog(QMessageBox::Icon icon, const QString& title, const Content& content,
                           QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
                           QWidget* parent)
    : QDialog(parent)
    , m_summary(withoutOuterLineFeeds(content.summary))
    , m_listText(withoutOuterLineFeeds(content.lines.join(QLatin1Char('\n'))))
    , m_closing(withoutOuterLineFeeds(content.closing))
{
    setWindowTitle(title);
    setSizeGripEnabled(true);
    auto* grid = new QGridLayout(this);
    const int spacing = grid->horizontalSpacing() > 0 ? grid->horizontalSpacing() : 6;
    int iconWidth = 0;
    if (icon != QMessageBox::NoIcon) {
        const int extent = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        auto* iconLabel = new QLabel(this);
        iconLabel->setPixmap(style()->standardIcon(pixmapOf(icon), nullptr, this).pixmap(extent, extent));
        grid->addWidget(iconLabel, 0, 0, Qt::AlignTop);
        iconWidth = extent + spacing;
    }
    QLabel* summary = textLabel(m_summary, this);
    grid->addWidget(summary, 0, 1);
    grid->setColumnStretch(1, 1);

    const QMargins margins = grid->contentsMargins();
    const QSize room = availableRoom(this);
    const int roomWidth = room.width() - margins.left() - margins.right();
    const QFontMetrics textMetrics(summary->font());
    int width = std::clamp(iconWidth + std::max(widestLine(textMetrics, m_summary), widestLine(textMetrics, m_closing)),
                           kMinWidth, std::min(kPlainWidth, roomWidth));

    if (!m_listText.isEmpty()) {
        auto* view = new ListView(this);
        view->setReadOnly(true);
        view->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        view->setPlainText(m_listText);
        const QFontMetrics metrics(view->font());
        const int textRoom = 2 * view->frameWidth() + 2 * int(view->document()->documentMargin())
            + view->verticalScrollBar()->sizeHint().width() + 4;
        width = std::clamp(widestLine(metrics, m_listText) + textRoom, width, std::max(width, roomWidth));
        int rows = 0;
        const int textWidth = std::max(1, width - textRoom);
        for (const QString& line : m_listText.split(QLatin1Char('\n')))
            rows += std::max(1, (metrics.horizontalAdvance(line) + textWidth - 1) / textWidth);
        const int chrome = 2 * view->frameWidth() + 2 * int(view->document()->documentMargin()) + 2;
        view->wanted = QSize(width, rows * metrics.lineSpacing() + chrome);
        view->setMinimumHeight(std::min(rows, kMinListLines) * metrics.lineSpacing() + chrome);
        grid->addWidget(view, 1, 0, 1, 2);
        grid->setRowStretch(1, 1);
        m_list = view;
    }
    if (!m_closing.isEmpty())
        grid->addWidget(textLabel(m_closing, this), 2, 1);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::StandardButtons(int(buttons)), this);
    grid->addWidget(m_buttons, 3, 0, 1, 2);
    connect(m_buttons, &QDialogButtonBox::clicked, this, [this](QAbstractButton* clicked) {
        m_clicked = QMessageBox::StandardButton(int(m_buttons->standardButton(clicked)));
        accept();
    });
    QList<QAbstractButton*> all = m_buttons->buttons();
    auto* chosen = qobject_cast<QPushButton*>(button(defaultButton));
    if (!chosen && !all.isEmpty())
        chosen = qobject_cast<QPushButton*>(all.first());
    if (chosen) {
        chosen->setDefault(true);
        chosen->setFocus();
    }

    const int outerWidth = width + margins.left() + margins.right();
    const int height = grid->hasHeightForWidth() ? grid->totalHeightForWidth(outerWidth) : grid->totalSizeHint().height();
    fitToScreen(this, QSize(outerWidth, height));
}

QString ReportDialog::text() const
{
    QStringList parts;
    for (const QString* part : {&m_summary, &m_listText, &m_closing})
        if (!part->isEmpty())
            parts.append(*part);
    return parts.join(QStringLiteral("\n\n"));
}

QAbstractButton* ReportDialog::button(QMessageBox::StandardButton which) const
{
    if (which == QMessageBox::NoButton)
        return nullptr;
    return m_buttons->button(QDialogButtonBox::StandardButton(int(which)));
}

void ReportDialog::inform(QWidget* parent, QMessageBox::Icon icon, const QString& title, const Content& content)
{
    ReportDialog dialog(icon, title, content, QMessageBox::Ok, QMessageBox::Ok, parent);
    dialog.exec();
}

bool ReportDialog::ask(QWidget* parent, QMessageBox::Icon icon, const QString& title, const Content& content)
{
    ReportDialog dialog(icon, title, content, QMessageBox::Yes | QMessageBox::No, QMessageBox::No, parent);
    dialog.exec();
    return dialog.clickedButton() == QMessageBox::Yes;
}

QSize ReportDialog::availableRoom(const QWidget* widget)
{
    // A window not shown yet has no screen of its own: it opens over its parent.
    const QWidget* anchor = widget && widget->parentWidget() ? widget->parentWidget() : widget;
    QScreen* screen = anchor ? anchor->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QSize(1024 - kFrameWidth, 768 - kFrameHeight);
    return screen->availableGeometry().size() - QSize(kFrameWidth, kFrameHeight);
}

void ReportDialog::fitToScreen(QWidget* window, QSize wanted)
{
    if (!window)
        return;
    if (!wanted.isValid())
        wanted = window->sizeHint();
    window->resize(wanted.expandedTo(window->minimumSize()).boundedTo(availableRoom(window)));
}
