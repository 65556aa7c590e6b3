#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

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
    const QStringList files = parser.positionalArguments();
    // One window holds one document: the files after the first are named,
    // so that none is left unopened without a word.
    if (files.size() > 1) {
        std::fprintf(stderr, "velunor: one file at a time; not opened: %s\n",
                     qPrintable(files.mid(1).join(QLatin1String(", "))));
        std::fflush(stderr);
    }

    // Qt 6 converts between 8-bit strings and QString as UTF-8 throughout.
    Velunor window;
    window.show();
    if (!files.isEmpty())
        window.openFile(files.constFirst());
    return app.exec();
}
