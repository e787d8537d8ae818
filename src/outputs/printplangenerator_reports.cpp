// Text report and CSV table of a print plan.
#include "outputs/printplangenerator.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

QString trPlan(const char* text, int n = -1)
{
    return QCoreApplication::translate("PrintPlan", text, nullptr, n);
}

// Two decimals and "." whatever the locale.
QString mm(double value)
{
    return QString::number(value, 'f', 2);
}

} // namespace

QString PrintPlanGenerator::formatItemLine(const PrintPlanItem& item)
{
    QStringList details;
    if (!item.value.isEmpty())
        details.append(item.value);
    if (!item.footprint.isEmpty())
        details.append(item.footprint);
    // One-pass substitution: a "%" inside a reference or value is copied as it is.
    const QString label = details.isEmpty() ? item.ref
                                            : QStringLiteral("%1 (%2)").arg(item.ref, details.join(QStringLiteral(", ")));
    return QStringLiteral("   %1  X=%2  Y=%3  —  %4 : %5 mm")
        .arg(label, mm(item.x), mm(item.y), trPlan(QT_TRANSLATE_NOOP("PrintPlan", "cavity top")), mm(item.cavityTopRel));
}

QString PrintPlanGenerator::toText(const PrintPlan& plan)
{
    if (!plan.ok)
        return trPlan(QT_TRANSLATE_NOOP("PrintPlan", "Print plan unavailable: %1")).arg(plan.error);

    QStringList lines;
    lines << trPlan(QT_TRANSLATE_NOOP("PrintPlan", "PRINT PLAN — PAUSES AND INSERTS"));
    lines << trPlan(QT_TRANSLATE_NOOP("PrintPlan", "Part height: %1 mm (Z-range %2 → %3)")).arg(mm(plan.partHeight), mm(plan.zMin), mm(plan.zMax));
    lines << trPlan(QT_TRANSLATE_N_NOOP("PrintPlan", "Layer height: %1 mm — %n layer(s)"), plan.layerCount).arg(mm(plan.layerHeight));
    QString counts = trPlan(QT_TRANSLATE_N_NOOP("PrintPlan", "%n pause(s)"), int(plan.pauses.size()))
                     + QStringLiteral(" — ")
                     + trPlan(QT_TRANSLATE_N_NOOP("PrintPlan", "%n component(s) to insert"), plan.totalInsertCount());
    if (const int outside = plan.outsidePartCount())
        counts += QStringLiteral(" — ")
                  + trPlan(QT_TRANSLATE_N_NOOP("PrintPlan", "%n component(s) not in the part"), outside);
    lines << counts;
    lines << QString();

    for (int i = 0; i < plan.pauses.size(); ++i) {
        const PrintPlanPause& pause = plan.pauses.at(i);
        lines << trPlan(QT_TRANSLATE_NOOP("PrintPlan", "── Pause %1: after layer %2 (Z = %3 mm) ──"))
                     .arg(QString::number(i + 1), QString::number(pause.layer), mm(pause.z));
        for (const PrintPlanItem& item : pause.items)
            lines << formatItemLine(item);
        lines << QString();
    }
    if (!plan.endInsertions.isEmpty()) {
        lines << trPlan(QT_TRANSLATE_NOOP("PrintPlan", "── Insertion at the end of printing (cavity never covered) ──"));
        for (const PrintPlanItem& item : plan.endInsertions)
            lines << formatItemLine(item);
        lines << QString();
    }
    if (!plan.notHollowed.isEmpty()) {
        lines << trPlan(QT_TRANSLATE_NOOP("PrintPlan", "── Not hollowed out (no insertion) ──"));
        for (const PrintPlanSkip& skip : plan.notHollowed)
            lines << QStringLiteral("   %1 — %2").arg(skip.ref, skip.reason);
        lines << QString();
    }
    lines << trPlan(QT_TRANSLATE_NOOP("PrintPlan", "Reminder: heights measured from the bottom of the part. \"Cavity accessible from above\" "
                    "assumption — check for cavities opening onto a side face in the 3D view."));
    return lines.join(QLatin1Char('\n'));
}

QString PrintPlanGenerator::csvQuote(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString PrintPlanGenerator::csvRow(const QString& status, const QString& layer, const QString& pauseZ,
                                   const PrintPlanItem& item)
{
    return QStringLiteral("%1;%2;%3;%4;%5;%6;%7;%8;%9")
        .arg(status, layer, pauseZ, csvQuote(item.ref), csvQuote(item.value), csvQuote(item.footprint),
             mm(item.x), mm(item.y), mm(item.cavityTopRel));
}

QString PrintPlanGenerator::toCsv(const PrintPlan& plan)
{
    QStringList lines;
    lines << QStringLiteral("status;layer;pause_z_mm;ref;value;footprint;x_mm;y_mm;cavity_top_z_mm");
    if (plan.ok) {
        for (int i = 0; i < plan.pauses.size(); ++i) {
            const PrintPlanPause& pause = plan.pauses.at(i);
            const QString status = QStringLiteral("pause %1").arg(i + 1);
            for (const PrintPlanItem& item : pause.items)
                lines << csvRow(status, QString::number(pause.layer), mm(pause.z), item);
        }
        for (const PrintPlanItem& item : plan.endInsertions)
            lines << csvRow(QStringLiteral("end"), QString(), QString(), item);
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
