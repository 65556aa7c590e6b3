#include <QApplication>

#include "app/velunor.h"
#include "velunorversion.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velunor"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELUNOR_VERSION));
    // The exporter's notes and faults (velunor.export) go to stderr as plain
    // lines; QT_LOGGING_RULES can silence them.
    qSetMessagePattern(QStringLiteral("%{message}"));

    // Qt 6 converts between 8-bit strings and QString as UTF-8 throughout.
    Velunor window;
    window.show();
    return app.exec();
}
