#pragma once

#include "config/model.h"

// The large document of the page benchmarks: services of four elementary
// streams each, and PID filter rules of every action and input.
inline TransportStreamCfg makeDocument(int services, int filters)
{
    TransportStreamCfg cfg;
    for (int i = 0; i < services; ++i) {
        ServiceCfg s;
        s.id = quint16(i + 1);
        s.serviceName = QStringLiteral("Service number %1").arg(i);
        s.providerName = QStringLiteral("Provider");
        s.pmtPid = quint16(32 + (i % 8000));
        s.pcrPid = s.pmtPid;
        for (int e = 0; e < 4; ++e) {
            ESCfg es;
            es.type = e;
            es.pid = quint16((s.pmtPid + e + 1) % 8191);
            if (e == 1)
                es.language = QStringLiteral("deu");
            s.elements << es;
        }
        cfg.services << s;
    }
    for (int i = 0; i < filters; ++i) {
        FilterCfg f;
        f.a = quint32(i % 8192);
        f.b = quint32(i % 8192);
        f.action = i % 3;
        f.input = i % 5;
        cfg.filters << f;
    }
    return cfg;
}
