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
    c.filters = {FilterCfg{MatchRange, 1, 512, 767, ActionRemap, 768}};
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
    s.elements = {ESCfg{EsMpeg2Video, 256, {}}, ESCfg{EsMpeg2Audio, 257, QStringLiteral("eng")}};
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
