#include <QTextStream>

#include "cli/commands.h"

int runDump(const QStringList &)
{
    QTextStream(stderr) << "velunor-cli dump: not available yet\n";
    return 2;
}
