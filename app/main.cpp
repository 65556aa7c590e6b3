#include <QApplication>
#include <QCommandLineParser>

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

    // `velunor FILE.mux`, as a file manager starts it; QApplication has
    // already taken its own options (-style, -platform, ...) out.
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("main", "DVB multiplexer configuration editor"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QCoreApplication::translate("main", "A configuration (.mux) to open."),
                                 QStringLiteral("[file]"));
    parser.process(app);

    // Qt 6 converts between 8-bit strings and QString as UTF-8 throughout.
    Velunor window;
    window.show();
    if (!parser.positionalArguments().isEmpty())
        window.openFile(parser.positionalArguments().constFirst());
    return app.exec();
}
