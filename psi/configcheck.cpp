#include "psi/configcheck.h"

#include "config/cfgreader.h"
#include "config/model.h"

QList<ConfigFinding> checkConfiguration(const TransportStreamCfg &, const CfgSourceLines *)
{
    return {};
}

bool hasErrors(const QList<ConfigFinding> &findings)
{
    for (const ConfigFinding &f : findings)
        if (f.severity == ConfigFinding::Error)
            return true;
    return false;
}
