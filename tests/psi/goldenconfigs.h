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
    s.elements << ESCfg{EsMpeg2Video, quint16(pmtPid + 1), {}}
               << ESCfg{EsMpeg2Audio, quint16(pmtPid + 2), QStringLiteral("eng")};
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
    news.elements << ESCfg{EsTeletext, 0x0110, QStringLiteral("deu")};
    ServiceCfg radio = goldenService(0x0202, 0x0300, QStringLiteral("R\u00E4dio Eins"));
    radio.type = ServiceDigitalRadio;
    radio.elements.removeFirst();
    radio.lcEnabled = true;
    radio.lcVisible = false;
    radio.lcNumber = 900;
    ServiceCfg hd = goldenService(0x0303, 0x0400, QStringLiteral("\u041F\u0435\u0440\u0432\u044B\u0439 HD"));
    hd.elements[0].type = EsH264Video;
    cfg.services << news << radio << hd;
    cfg.filters << FilterCfg{MatchRange, InputAny, 0x1000, 0x1FFE, ActionDrop};
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
    cfg.filters << FilterCfg{MatchRange, 2, 0x0100, 0x01FF, ActionRemap, 0x0800}
                << FilterCfg{MatchMask, InputAny, 0x0123, 0x1F00, ActionPass}
                << FilterCfg{MatchMask, 4, 0x1FF0, 0x0030, ActionDrop};
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
