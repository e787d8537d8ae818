// Collects Qt messages for the lifetime of the object so a test can check what was logged;
// optionally turns the footprint debug traces on.
#pragma once

#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class FootprintLogCapture
{
public:
    explicit FootprintLogCapture(bool withFootprintDebug = false)
        : m_debugRules(withFootprintDebug)
    {
        s_active = this;
        m_previous = qInstallMessageHandler(&FootprintLogCapture::handler);
        if (m_debugRules)
            QLoggingCategory::setFilterRules(QStringLiteral("vantorquelle.footprint.debug=true"));
    }
    ~FootprintLogCapture()
    {
        if (m_debugRules)
            QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }

    FootprintLogCapture(const FootprintLogCapture&) = delete;
    FootprintLogCapture& operator=(const FootprintLogCapture&) = delete;

    // Warnings and worse.
    const QStringList& warnings() const { return m_warnings; }
    bool contains(const QString& fragment) const { return anyContains(m_warnings, fragment); }
    bool debugContains(const QString& fragment) const { return anyContains(m_debug, fragment); }

private:
    static bool anyContains(const QStringList& lines, const QString& fragment)
    {
        for (const QString& line : lines)
            if (line.contains(fragment))
                return true;
        return false;
    }
    static void handler(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (!s_active)
            return;
        if (type == QtDebugMsg || type == QtInfoMsg)
            s_active->m_debug.append(message);
        else
            s_active->m_warnings.append(message);
    }

    inline static FootprintLogCapture* s_active = nullptr;
    QtMessageHandler m_previous = nullptr;
    bool m_debugRules = false;
    QStringList m_warnings;
    QStringList m_debug;
};
