#include <QTextStream>

#include "cli/commands.h"

int runExport(const QStringList &)
{
    QTextStream(stderr) << "velunor-cli: export is not available yet\n";
    return 2;
}
