#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>
#include <unistd.h>

#include "config/cfgwriter.h"
#include "config/model.h"
#include "tests/config/bytecompare.h"

// The document that tests/data/example.mux holds.
inline TransportStreamCfg exampleDocument()
{
    TransportStreamCfg c;
    c.id = 1;
    c.origId = 1;
    c.netId = 1;
    c.netName = QStringLiteral("Example Net");
    c.caEnabled = true;
    c.caId = 2816;
    c.emmPid = 900;
    FilterCfg f;
    f.match = MatchRange;
    f.input = 1;
    f.a = 512;
    f.b = 767;
    f.action = ActionRemap;
    f.newBase = 768;
    c.filters.append(f);
    ServiceCfg s;
    s.id = 1;
    s.type = ServiceDigitalTv;
    s.providerName = QStringLiteral("Studio");
    s.serviceName = QStringLiteral("News 24");
    s.eventName = QStringLiteral("Late News");
    s.eventText = QStringLiteral("Headlines at ten o'clock");
    s.language = QStringLiteral("eng");
    s.pmtPid = 4096;
    s.pcrPid = 256;
    s.caEnabled = true;
    s.caId = 2816;
    s.ecmPid = 901;
    s.lcEnabled = true;
    s.lcVisible = true;
    s.lcNumber = 1;
    ESCfg video;
    video.type = EsMpeg2Video;
    video.pid = 256;
    ESCfg audio;
    audio.type = EsMpeg2Audio;
    audio.pid = 257;
    audio.language = QStringLiteral("eng");
    s.elements = {video, audio};
    c.services.append(s);
    return c;
}

// Empty when equal; else the documents' canonical texts side by side at the
// first difference (fields the text does not carry are named separately).
inline QString describeDocumentDifference(const TransportStreamCfg &actual,
                                          const TransportStreamCfg &expected)
{
    if (actual == expected)
        return QString();
    const QString text = describeByteDifference(CfgWriter::toText(actual), CfgWriter::toText(expected));
    if (!text.isEmpty())
        return QStringLiteral("documents differ; canonical text: ") + text;
    return QStringLiteral("documents differ in a field the canonical text leaves out "
                          "(a disabled CA or logical channel, a new-base, a teletext page)");
}

#define COMPARE_DOCUMENTS(actual, expected)                                               \
    do {                                                                                  \
        const QString difference_ = describeDocumentDifference((actual), (expected));     \
        QVERIFY2(difference_.isEmpty(), qPrintable(difference_));                         \
    } while (false)

// Collects what is written to file descriptor 2 between construction and
// finish(), so a test can see whether the reader wrote its diagnostic line.
class StderrCapture
{
public:
    StderrCapture()
    {
        std::fflush(stderr);
        m_saved = ::dup(2);
        m_file = std::tmpfile();
        if (m_file)
            ::dup2(::fileno(m_file), 2);
    }
    ~StderrCapture() { finish(); }

    QByteArray finish()
    {
        if (!m_file)
            return m_text;
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        std::rewind(m_file);
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0)
            m_text.append(buffer, qsizetype(n));
        std::fclose(m_file);
        m_file = nullptr;
        return m_text;
    }

private:
    int m_saved = -1;
    std::FILE *m_file = nullptr;
    QByteArray m_text;
};

inline QByteArray readWholeFile(const QString &name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}
