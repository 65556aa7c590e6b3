#pragma once

// Helpers shared by the PSI tests: hex literals, message capture, and the
// program's entry-point table.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QStringList>

#include "tests/common/bytecompare.h"

namespace psitest {

// "00 4E F0 ..." -> bytes; blanks and line breaks are ignored.
inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

inline int u16At(const QByteArray &d, int at)
{
    return (quint8(d.at(at)) << 8) | quint8(d.at(at + 1));
}

// Offset of the routine of an entry-point slot (0xFFFF: none).
inline int slotOffset(const QByteArray &program, int slot)
{
    return u16At(program, 2 * slot);
}

// Collects every message sent while it lives (and passes none on).
class MessageCapture
{
public:
    MessageCapture() { s_messages.clear(); m_previous = qInstallMessageHandler(&MessageCapture::handler); }
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
