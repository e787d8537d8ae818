// Records every Qt message (type, category and text) while alive, so tests can check traces.
// Messages come from every thread (work run side by side logs as it goes): one at a time.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <mutex>
#include <ostream>

// Readable GoogleTest output for Qt strings (found by argument-dependent lookup).
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

struct CapturedMessage
{
    QtMsgType type;
    QString category;
    QString text;
};

class FoundationLogCapture
{
public:
    FoundationLogCapture()
    {
        s_active = this;
        m_previous = qInstallMessageHandler(&FoundationLogCapture::handler);
    }
    ~FoundationLogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }
    FoundationLogCapture(const FoundationLogCapture&) = delete;
    FoundationLogCapture& operator=(const FoundationLogCapture&) = delete;

    QList<CapturedMessage> messages() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages;
    }

    QStringList texts(QtMsgType type) const
    {
        QStringList out;
        for (const CapturedMessage& m : messages())
            if (m.type == type)
                out.append(m.text);
        return out;
    }
    QStringList warnings() const { return texts(QtWarningMsg); }
    QStringList debugs() const { return texts(QtDebugMsg); }

    // Whether a warning holds the text; all warnings in one text for failure output.
    bool contains(const QString& text) const
    {
        for (const QString& warning : warnings())
            if (warning.contains(text))
                return true;
        return false;
    }
    QString joined() const { return warnings().join(QLatin1Char('\n')); }

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (!s_active)
            return;
        const std::lock_guard<std::mutex> lock(s_active->m_mutex);
        s_active->m_messages.append({type, QString::fromUtf8(context.category ? context.category : ""), message});
    }

    inline static FoundationLogCapture* s_active = nullptr;
    QtMessageHandler m_previous = nullptr;
    mutable std::mutex m_mutex;
    QList<CapturedMessage> m_messages;
};

// Enables debug output of the program's categories for the lifetime of the object.
#include <QLoggingCategory>
class DebugRulesEnabled
{
public:
    explicit DebugRulesEnabled(const QString& rules = QStringLiteral("vantorquelle.*.debug=true"))
    {
        QLoggingCategory::setFilterRules(rules);
    }
    ~DebugRulesEnabled() { QLoggingCategory::setFilterRules(QString()); }
};
