// Reading a KiCad netlist file into a Netlist, for ProjectManager.
#include "project/projectmanager.h"

#include "foundation/fileutils.h"
#include "foundation/logging.h"
#include "foundation/outofmemory.h"
#include "model/designlimits.h"
#include "project/kicadnetlistreader.h"

#include <QDebug>

namespace {

// KiCad's netlists of the largest boards are a few megabytes.
constexpr qint64 kMaxNetlistBytes = 128 * 1024 * 1024;

} // namespace

bool ProjectManager::loadNetlist(const QString& path, Netlist& out, QString& error)
{
    bool ok = false;
    if (OutOfMemory::survive([&] { ok = readNetlistFile(path, out, error); }))
        return ok;
    out.clear();
    error = tr("Not enough memory to read this netlist.");
    return false;
}

bool ProjectManager::readNetlistFile(const QString& path, Netlist& out, QString& error)
{
    out.clear();
    error.clear();

    // Only a regular file below the cap: the reader's memory grows with the text.
    FileReadResult read = FileUtils::readRegularFile(path, kMaxNetlistBytes);
    if (!read.ok()) {
        error = tr("Unable to open the netlist file: %1").arg(read.errorString);
        qWarning() << "Cannot open the netlist file:" << path;
        return false;
    }
    // As a UTF-8 text stream in text mode would give it: no byte-order mark, no carriage return.
    QString text = QString::fromUtf8(read.data);
    read.data = QByteArray();
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.remove(QLatin1Char('\r'));

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
    if (out.components.size() > DesignLimits::kMaxComponents) {
        error = tr("This netlist holds %1 components, beyond the limit of %2 components per design.")
                    .arg(out.components.size())
                    .arg(DesignLimits::kMaxComponents);
        out.clear();
        return false;
    }
    return true;
}
