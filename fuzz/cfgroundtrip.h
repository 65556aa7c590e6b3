#pragma once

#include "config/model.h"

// What a document looks like after a trip through the canonical text: texts
// lose their outer white space, fields the text does not carry come back at
// their defaults (new-base of a rule that is no remap, the CA fields of a
// disabled CA block, the logical channel of a service without one, the
// teletext page).
inline TransportStreamCfg normalizedForText(TransportStreamCfg cfg)
{
    cfg.netName = cfg.netName.trimmed();
    if (!cfg.caEnabled) {
        cfg.caId = 0;
        cfg.emmPid = 0;
    }
    for (FilterCfg &f : cfg.filters) {
        if (f.action != ActionRemap)
            f.newBase = FilterCfg().newBase;
    }
    for (ServiceCfg &s : cfg.services) {
        s.providerName = s.providerName.trimmed();
        s.serviceName = s.serviceName.trimmed();
        s.eventName = s.eventName.trimmed();
        s.eventText = s.eventText.trimmed();
        s.language = s.language.trimmed();
        if (!s.caEnabled) {
            s.caId = 0;
            s.ecmPid = 0;
        }
        if (!s.lcEnabled) {
            s.lcVisible = true;
            s.lcNumber = 0;
        }
        for (ESCfg &e : s.elements) {
            e.language = e.language.trimmed();
            e.teletextPage = ESCfg().teletextPage;
        }
    }
    return cfg;
}
