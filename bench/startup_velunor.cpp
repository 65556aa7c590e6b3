// Start-up of the editor, for measuring by hand: the same steps as the
// editor's main(), then the event loop ends as soon as it has run once with
// the window shown. Run under /usr/bin/time -v beside startup_baseline.
#include <QApplication>
#include <QTimer>

#include "app/velunor.h"
#include "velunorversion.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velunor"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELUNOR_VERSION));
    Velunor window;
    window.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
