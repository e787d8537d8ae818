// KiCad S-expression netlist (.net) reading.
#pragma once

#include <QString>
#include <QStringList>

struct Netlist;

// Interprets the whole text; true when at least one component was read. Never throws.
bool parseKiCadSExpression(const QString& text, Netlist& out);

// Netlist versions the interpreter was written for; others are read anyway.
const QStringList& knownNetlistVersions();

namespace KiCadNetlistReader {

// Opens and reads a netlist file. On failure returns false with out empty and a
// translated error text (context "ProjectManager"); ProjectManager::loadNetlist forwards here.
bool loadFile(const QString& path, Netlist& out, QString& error);

} // namespace KiCadNetlistReader
