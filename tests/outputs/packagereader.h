// Reads a ZIP package back with an independent reader (Python's zipfile): entry names in
// archive order and their bytes, after zipfile has verified every CRC.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

struct PackageEntries
{
    bool ok = false;
    QString error; // the reader's complaint, or why it could not run
    QList<QPair<QString, QByteArray>> entries;

    QStringList names() const;
    QByteArray data(const QString& name) const; // empty when absent
};

bool pythonAvailable();
PackageEntries readPackage(const QString& path);
