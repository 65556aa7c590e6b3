#pragma once

#include "config/cfgwriter.h"
#include "config/model.h"
#include "tests/common/bytecompare.h"
#include "tests/common/filehelpers.h"
#include "tests/common/stderrcapture.h"

// The document that tests/data/example.mux holds.
inline TransportStreamCfg exampleDocument()
{
    TransportStreamCfg c;
    c.id = c.origId = c.netId = 1;
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
    s.lcEnabled = s.lcVisible = true;
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

// Empty when equal; else the documents' canonical texts at the first difference.
inline QString describeDocumentDifference(const TransportStreamCfg &actual,
                                          const TransportStreamCfg &expected)
{
    if (actual == expected)
        return QString();
    const QString text = describeByteDifference(CfgWriter::toText(actual), CfgWriter::toText(expected));
    return text.isEmpty() ? QStringLiteral("documents differ in a field the canonical text leaves out")
                          : QStringLiteral("documents differ; canonical text: ") + text;
}

#define COMPARE_DOCUMENTS(actual, expected)                                               \
    do {                                                                                  \
        const QString difference_ = describeDocumentDifference((actual), (expected));     \
        QVERIFY2(difference_.isEmpty(), qPrintable(difference_));                         \
    } while (false)
