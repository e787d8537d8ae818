// Reads a ZIP package back with an independent reader (Python's zipfile, which verifies every
// CRC and refuses compressed entries here): entry names in archive order with their bytes.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

using PackageEntries = QList<QPair<QString, QByteArray>>;

bool pythonAvailable();
// False with the reader's complaint in error.
bool readPackage(const QString& path, PackageEntries& entries, QString* error = nullptr);
QStringList entryNames(const PackageEntries& entries);
QByteArray entryData(const PackageEntries& entries, const QString& name);
