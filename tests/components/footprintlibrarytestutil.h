// Test helpers for the footprint library tests: message capture and small footprint files.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace FootprintLibraryTest {

// Collects every Qt message while alive; optionally turns the footprint debug traces on.
class MessageCapture
{
public:
    explicit MessageCapture(bool withFootprintDebug = false)
    {
        s_active = this;
        m_previous = qInstallMessageHandler(&MessageCapture::handler);
        if (withFootprintDebug)
            QLoggingCategory::setFilterRules(QStringLiteral("vantorquelle.footprint.debug=true"));
    }
    ~MessageCapture()
    {
        QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }

    QStringList warnings;
    QStringList debug;

    bool anyWarningContains(const QString& text) const { return contains(warnings, text); }
    bool anyDebugContains(const QString& text) const { return contains(debug, text); }

private:
    static bool contains(const QStringList& lines, const QString& text)
    {
        for (const QString& line : lines)
            if (line.contains(text))
                return true;
        return false;
    }
    static void handler(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (!s_active)
            return;
        if (type == QtDebugMsg || type == QtInfoMsg)
            s_active->debug.append(message);
        else
            s_active->warnings.append(message);
    }

    QtMessageHandler m_previous = nullptr;
    static inline MessageCapture* s_active = nullptr;
};

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
