#include <QTextStream>

#include "cli/commands.h"

int runCheck(const QStringList &)
{
    QTextStream(stderr) << "velunor-cli check: not available yet\n";
    return 2;
}
