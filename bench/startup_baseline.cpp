// The floor for startup_velunor: a bare main window holding a tab widget with
// three empty pages, started, shown and ended the same way.
#include <QApplication>
#include <QMainWindow>
#include <QTabWidget>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("baseline"));
    QMainWindow window;
    auto *tabs = new QTabWidget;
    tabs->addTab(new QWidget, QStringLiteral("Stream Configuration"));
    tabs->addTab(new QWidget, QStringLiteral("PID Filter"));
    tabs->addTab(new QWidget, QStringLiteral("PSI Generator"));
    window.setCentralWidget(tabs);
    window.resize(780, 597);
    window.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
