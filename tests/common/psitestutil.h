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
                                     QStringLiteral("service-without-pmt"), QStringLiteral("filter-rules"),
                                     QStringLiteral("every-kind")};

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

// The MPEG-2 CRC_32 bit by bit, written from ISO/IEC 13818-1 Annex A rather
// than taken from the table-driven one under test.
inline quint32 crc32Mpeg2(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= quint32(quint8(c)) << 24;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

// "00 4E F0 ..." -> bytes; blanks and line breaks are ignored.
inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
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
