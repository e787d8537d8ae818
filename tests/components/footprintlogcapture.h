// Collects Qt warnings for the lifetime of the object so a test can check what was logged.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class FootprintLogCapture
{
public:
    FootprintLogCapture() { m_previous = qInstallMessageHandler(&FootprintLogCapture::handler); s_active = this; }
    ~FootprintLogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }

    const QStringList& warnings() const { return m_warnings; }
    bool contains(const QString& fragment) const
    {
        for (const QString& w : m_warnings)
            if (w.contains(fragment))
                return true;
        return false;
    }

private:
    static void handler(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (s_active && (type == QtWarningMsg || type == QtCriticalMsg))
            s_active->m_warnings.append(message);
    }

    inline static FootprintLogCapture* s_active = nullptr;
    QtMessageHandler m_previous = nullptr;
    QStringList m_warnings;
};
