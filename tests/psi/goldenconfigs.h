#pragma once

// The configurations behind the golden MUX binaries in tests/data/psi/.

#include <QList>
#include <QPair>
#include <QString>

#include "config/model.h"

namespace psitest {

inline ServiceCfg goldenService(quint16 id, quint16 pmtPid, const QString &name)
{
    ServiceCfg s;
    s.id = id;
    s.pmtPid = pmtPid;
    s.pcrPid = quint16(pmtPid + 1);
    s.providerName = QStringLiteral("Velunor");
    s.serviceName = name;
    s.eventName = name + QStringLiteral(" live");
    s.eventText = QStringLiteral("Today's programme");
    s.language = QStringLiteral("eng");
    ESCfg video;
    video.type = EsMpeg2Video;
    video.pid = quint16(pmtPid + 1);
    ESCfg audio;
    audio.type = EsMpeg2Audio;
    audio.pid = quint16(pmtPid + 2);
    audio.language = QStringLiteral("eng");
    s.elements << video << audio;
    return s;
}

inline TransportStreamCfg goldenAllTables()
{
    TransportStreamCfg cfg;
    cfg.id = 0x0001;
    cfg.origId = 0x0002;
    cfg.netId = 0x3001;
    cfg.netName = QStringLiteral("Velunor Net");
    ServiceCfg news = goldenService(0x0101, 0x0100, QStringLiteral("News 24"));
    news.caEnabled = true;
    news.caId = 0x0B00;
    news.ecmPid = 0x0200;
    news.lcEnabled = true;
    news.lcNumber = 5;
    ESCfg teletext;
    teletext.type = EsTeletext;
    teletext.pid = 0x0110;
    teletext.language = QStringLiteral("deu");
    news.elements << teletext;
    ServiceCfg radio = goldenService(0x0202, 0x0300, QStringLiteral("R\u00E4dio Eins"));
    radio.type = ServiceDigitalRadio;
    radio.elements.removeFirst();
    radio.lcEnabled = true;
    radio.lcVisible = false;
    radio.lcNumber = 900;
    ServiceCfg hd = goldenService(0x0303, 0x0400, QStringLiteral("\u041F\u0435\u0440\u0432\u044B\u0439 HD"));
    hd.elements[0].type = EsH264Video;
    cfg.services << news << radio << hd;
    FilterCfg drop;
    drop.a = 0x1000;
    drop.b = 0x1FFE;
    drop.action = ActionDrop;
    cfg.filters << drop;
    return cfg;
}

inline TransportStreamCfg goldenNoTables()
{
    TransportStreamCfg cfg;
    cfg.patEnabled = cfg.nitEnabled = cfg.sdtEnabled = cfg.eitEnabled = cfg.tdtEnabled = false;
    cfg.filterDefault = ActionDrop;
    return cfg;
}


inline TransportStreamCfg goldenFilterRules()
{
    TransportStreamCfg cfg = goldenNoTables();
    cfg.patEnabled = true;
    cfg.filterDefault = ActionPass;
    FilterCfg remap;
    remap.input = 2;
    remap.a = 0x0100;
    remap.b = 0x01FF;
    remap.action = ActionRemap;
    remap.newBase = 0x0800;
    FilterCfg mask;
    mask.match = MatchMask;
    mask.a = 0x0123;
    mask.b = 0x1F00;
    mask.action = ActionPass;
    FilterCfg drop;
    drop.match = MatchMask;
    drop.input = 4;
    drop.a = 0x1FF0;
    drop.b = 0x0030;
    drop.action = ActionDrop;
    cfg.filters << remap << mask << drop;
    return cfg;
}

// (base name, configuration)
inline QList<QPair<QString, TransportStreamCfg>> goldenConfigs()
{
    TransportStreamCfg realTimeTdt = goldenAllTables();
    realTimeTdt.realTdt = true;
    TransportStreamCfg playout = goldenAllTables();
    playout.playoutTimings = true;
    playout.patTime = 100;
    playout.pmtTime = 200;
    playout.nitTime = 10000;
    playout.sdtTime = 2000;
    playout.eitTime = 1001;
    playout.tdtTime = 30000;
    TransportStreamCfg withoutPmt = goldenAllTables();
    withoutPmt.services[1].pmtEnabled = false;
    return {
        {QStringLiteral("all-tables"), goldenAllTables()},
        {QStringLiteral("no-tables"), goldenNoTables()},
        {QStringLiteral("real-time-tdt"), realTimeTdt},
        {QStringLiteral("playout-timings"), playout},
        {QStringLiteral("service-without-pmt"), withoutPmt},
        {QStringLiteral("filter-rules"), goldenFilterRules()},
    };
}

} // namespace psitest
