#include <QTextStream>

#include "cli/commands.h"

int runTs(const QStringList &)
{
    QTextStream(stderr) << "velunor-cli ts: not available yet\n";
    return 2;
}
