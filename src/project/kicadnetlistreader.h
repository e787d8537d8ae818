// KiCad S-expression netlist (.net) reading.
#pragma once

#include <QString>
#include <QStringList>

struct Netlist;

// Interprets the whole text; true when at least one component was read. Never throws.
bool parseKiCadSExpression(const QString& text, Netlist& out);

// The name KiCad shows for a name as KiCad writes it: "{slash}", "{colon}", "{brace}" and the
// other escape words become their characters; markup such as "~{...}" and unknown words stay.
QString unescapeKiCadName(const QString& name);

// Netlist versions the interpreter was written for; others are read anyway.
const QStringList& knownNetlistVersions();

// The file-level reader is ProjectManager::loadNetlist (projectmanager_netlistreader.cpp).
