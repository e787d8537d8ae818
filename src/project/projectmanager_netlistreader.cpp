// Reading a KiCad netlist file into a Netlist, for ProjectManager.
#include "project/projectmanager.h"

#include "foundation/logging.h"
#include "project/kicadnetlistreader.h"

#include <QDebug>
#include <QFile>
#include <QTextStream>

bool ProjectManager::loadNetlist(const QString& path, Netlist& out, QString& error)
{
    out.clear();
    error.clear();

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = tr("Unable to open the netlist file: %1").arg(file.errorString());
        qWarning() << "Cannot open the netlist file:" << path;
        return false;
    }

    QTextStream stream(&file);
    stream.setEncoding(QStringConverter::Utf8);
    const QString text = stream.readAll();

    // Only the first character counts: leading blanks or comments need "(export".
    const bool accepted = text.contains(QLatin1String("(export"))
        || text.startsWith(QLatin1Char('('));
    if (!accepted) {
        error = tr("Unrecognized netlist format (a KiCad S-expression netlist is expected).");
        qWarning() << "Unrecognized netlist format";
        return false;
    }
    qCDebug(lcProject) << "Detected format: KiCad S-expression";

    if (!parseKiCadSExpression(text, out)) {
        out.clear();
        error = tr("No component could be read from this netlist.");
        return false;
    }
    return true;
}
