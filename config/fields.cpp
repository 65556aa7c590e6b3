#include "config/fields.h"

const char *cfgBlockName(CfgBlock block)
{
    switch (block) {
    case CfgBlock::Stream:
        return "transport-stream";
    case CfgBlock::StreamCa:
    case CfgBlock::ServiceCa:
        return "ca";
    case CfgBlock::Filter:
        return "filter";
    case CfgBlock::Service:
        return "service";
    case CfgBlock::LogicalChannel:
        return "logical-channel";
    case CfgBlock::Element:
        return "element";
    }
    return "";
}
