#pragma once

// Helpers shared by the PSI tests: hex literals, message capture, the
// program's entry-point table, and the golden configurations.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QStringList>

#include "config/cfgreader.h"
#include "config/model.h"
#include "tests/common/bytecompare.h"

namespace psitest {

// tests/data/psi/<name>.mux holds each configuration, <name>.mbn its program
// (written by "velunor-cli export <name>.mux <name>.mbn").
inline const QStringList goldenNames{QStringLiteral("all-tables"), QStringLiteral("no-tables"),
                                     QStringLiteral("real-time-tdt"), QStringLiteral("playout-timings"),
                                     QStringLiteral("service-without-pmt"), QStringLiteral("filter-rules")};

inline QString goldenPath(const QString &name, const char *suffix)
{
    return QStringLiteral(VELUNOR_TEST_DATA "/psi/") + name + QLatin1String(suffix);
}

// The configuration of a golden file; the default document when it does not read.
inline TransportStreamCfg goldenConfig(const QString &name)
{
    CfgReader reader;
    TransportStreamCfg cfg;
    if (!reader.open(goldenPath(name, ".mux")) || !reader.parse(&cfg))
        qWarning("%s: %s", qPrintable(name), qPrintable(reader.errorString()));
    return cfg;
}

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
