#include <QApplication>

#include "app/velunor.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velunor"));
    QCoreApplication::setApplicationVersion(QStringLiteral("0.5"));

    // Qt 6 converts between 8-bit strings and QString as UTF-8 throughout.
    Velunor window;
    window.show();
    return app.exec();
}
