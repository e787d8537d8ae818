// Test helpers for the footprint library tests: small footprint files.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include "logcapture.h"

namespace FootprintLibraryTest {

inline QByteArray twoPadFootprint(const QString& name, double spacing = 1.8)
{
    return QStringLiteral(
               "(footprint \"%1\" (version 20211014) (generator pcbnew)\n"
               "  (layer \"F.Cu\")\n"
               "  (pad \"1\" smd rect (at %2 0) (size 1 1.3) (layers \"F.Cu\" \"F.Paste\" \"F.Mask\"))\n"
               "  (pad \"2\" smd rect (at %3 0) (size 1 1.3) (layers \"F.Cu\" \"F.Paste\" \"F.Mask\"))\n"
               ")\n")
        .arg(name)
        .arg(-spacing / 2)
        .arg(spacing / 2)
        .toUtf8();
}

inline QString writeFile(const QDir& dir, const QString& relativePath, const QByteArray& content)
{
    const QString path = dir.filePath(relativePath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
    return path;
}

} // namespace FootprintLibraryTest
