#pragma once

// Helpers shared by the PSI tests: byte comparison with a readable report,
// message capture, and hex literals.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QtGlobal>
#include <QtTest>

namespace psitest {

// "00 4E F0 ..." -> bytes; blanks and line breaks are ignored.
inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

inline QString hexWindow(const QByteArray &data, qsizetype at)
{
    const qsizetype from = qMax<qsizetype>(0, at - 8);
    const qsizetype to = qMin<qsizetype>(data.size(), at + 8);
    QString text;
    for (qsizetype i = from; i < to; ++i) {
        if (i == at)
            text += QLatin1Char('[');
        text += QString::asprintf("%02X", quint8(data.at(i)));
        text += i == at ? QLatin1String("] ") : QLatin1String(" ");
    }
    if (at >= data.size())
        text += QLatin1String("[end]");
    return text.trimmed();
}

// Empty when equal; otherwise the first differing offset and a window of
// both byte strings around it.
inline QString byteDiff(const QByteArray &actual, const QByteArray &expected)
{
    if (actual == expected)
        return QString();
    qsizetype at = 0;
    while (at < actual.size() && at < expected.size() && actual.at(at) == expected.at(at))
        ++at;
    return QString::asprintf("sizes %lld (actual) and %lld (expected); first difference at offset %lld (0x%llX)\n"
                             "   actual: ",
                             qlonglong(actual.size()), qlonglong(expected.size()), qlonglong(at),
                             qlonglong(at))
        + hexWindow(actual, at) + QLatin1String("\n expected: ") + hexWindow(expected, at);
}

#define PSI_COMPARE_BYTES(actual, expected)                                      \
    do {                                                                         \
        const QString diff_ = psitest::byteDiff((actual), (expected));           \
        if (!diff_.isEmpty())                                                    \
            QFAIL(qPrintable(diff_));                                            \
    } while (false)

// Collects every message sent while it lives (and passes none on).
class MessageCapture
{
public:
    MessageCapture()
    {
        s_messages.clear();
        m_previous = qInstallMessageHandler(&MessageCapture::handler);
    }
    ~MessageCapture() { qInstallMessageHandler(m_previous); }
    Q_DISABLE_COPY_MOVE(MessageCapture)

    QStringList all(QtMsgType type) const
    {
        QStringList out;
        for (const auto &m : s_messages)
            if (m.first == type)
                out << m.second;
        return out;
    }
    QStringList criticals() const { return all(QtCriticalMsg); }
    QStringList debugs() const { return all(QtDebugMsg); }

private:
    static void handler(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        s_messages.append(qMakePair(type, text));
    }
    static inline QList<QPair<QtMsgType, QString>> s_messages;
    QtMessageHandler m_previous;
};

} // namespace psitest
