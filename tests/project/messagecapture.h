// Collects the warnings logged while an object lives, to check which failure was reported.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class MessageCapture
{
public:
    MessageCapture() { previous() = qInstallMessageHandler(&MessageCapture::handler); current() = this; }
    ~MessageCapture()
    {
        qInstallMessageHandler(previous());
        current() = nullptr;
    }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    const QStringList& warnings() const { return m_warnings; }
    bool contains(const QString& text) const
    {
        for (const QString& w : m_warnings) {
            if (w.contains(text))
                return true;
        }
        return false;
    }
    QString joined() const { return m_warnings.join(QLatin1Char('\n')); }

private:
    static void handler(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (current() && (type == QtWarningMsg || type == QtCriticalMsg))
            current()->m_warnings.append(message);
    }
    static QtMessageHandler& previous()
    {
        static QtMessageHandler handler = nullptr;
        return handler;
    }
    static MessageCapture*& current()
    {
        static MessageCapture* capture = nullptr;
        return capture;
    }

    QStringList m_warnings;
};
