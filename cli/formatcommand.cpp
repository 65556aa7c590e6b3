#include <QTextStream>

#include "cli/commands.h"

int runFormat(const QStringList &)
{
    QTextStream(stderr) << "velunor-cli: format is not available yet\n";
    return 2;
}
