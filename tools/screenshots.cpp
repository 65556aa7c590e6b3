// Renders the editor's three pages and its dialogs into PNG files, offscreen,
// for the README:
//
//   velunor-screenshots [OUTDIR] [SAMPLE.mux]
//
// OUTDIR defaults to doc/screenshots of the source tree, SAMPLE to
// doc/sample.mux. The window loads the sample through its own Load command;
// every dialog is opened as the window opens it and grabbed once it is shown.

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>

#include <functional>

#include "app/recordlist.h"
#include "app/velunor.h"
#include "dialogs/aboutdlg.h"
#include "dialogs/addservicedlg.h"
#include "dialogs/buildiddlg.h"
#include "dialogs/checkdialog.h"
#include "dialogs/esconfigdlg.h"
#include "dialogs/filterconfigdlg.h"
#include "dialogs/prompter.h"
#include "dialogs/settingsdialog.h"
#include "dialogs/simplefilterconfigdlg.h"

namespace {

// Answers the Load command's file dialog with the sample; a message box
// would mean the sample is broken, which is reported and fails the run.
class SamplePrompter final : public Prompter {
public:
    explicit SamplePrompter(const QString &sample) : sample(sample) {}

    QMessageBox::StandardButton message(QWidget *, const Message &m) override
    {
        failures << m.title + QStringLiteral(": ") + m.text + QLatin1Char(' ') + m.informativeText;
        return QMessageBox::Cancel;
    }
    QString openFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return sample;
    }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return QString();
    }

    QString sample;
    QStringList failures;
};

class Shooter {
public:
    explicit Shooter(const QString &outDir) : outDir(outDir) {}

    bool save(QWidget *w, const QString &name)
    {
        const QString file = QDir(outDir).filePath(name + QStringLiteral(".png"));
        if (!w->grab().save(file)) {
            QTextStream(stderr) << "velunor-screenshots: cannot write " << file << '\n';
            return false;
        }
        QTextStream(stdout) << file << '\n';
        return true;
    }

    // Runs `open` (which runs a modal dialog) and grabs the dialog once its
    // loop runs, then closes it without accepting anything.
    bool dialog(const QString &name, const std::function<void()> &open)
    {
        bool saved = false;
        bool seen = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&]() {
            QPointer<QDialog> dlg = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dlg || !dlg->isVisible())
                return;
            poll.stop();
            seen = true;
            QCoreApplication::processEvents();
            saved = save(dlg, name);
            if (dlg)
                dlg->reject();
        });
        poll.start();
        open();
        if (!seen)
            QTextStream(stderr) << "velunor-screenshots: no dialog for " << name << '\n';
        return saved;
    }

    QString outDir;
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments();
    const QString source = QStringLiteral(VELUNOR_SOURCE_DIR);
    const QString outDir = args.size() > 1 ? args.at(1) : source + QStringLiteral("/doc/screenshots");
    const QString sample = QFileInfo(args.size() > 2 ? args.at(2)
                                                     : source + QStringLiteral("/doc/sample.mux"))
                               .absoluteFilePath();
    if (!QDir().mkpath(outDir)) {
        QTextStream(stderr) << "velunor-screenshots: cannot create " << outDir << '\n';
        return 2;
    }

    SamplePrompter prompter(sample);
    Prompter::setCurrent(&prompter);

    Velunor window;
    window.show();
    QCoreApplication::processEvents();
    window.findChild<QAction *>(QStringLiteral("action_Load"))->trigger();
    if (!prompter.failures.isEmpty()) {
        QTextStream(stderr) << "velunor-screenshots: " << prompter.failures.join(u'\n') << '\n';
        return 1;
    }
    const TransportStreamCfg &cfg = window.document();
    const bool hex = window.currentSettings().hex;

    Shooter shoot(outDir);
    bool ok = true;

    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    const char *const pages[] = {"stream-page", "filter-page", "services-page"};
    for (int i = 0; i < 3; ++i) {
        tabs->setCurrentIndex(i);
        if (i == 1)
            window.findChild<RecordList *>(QStringLiteral("filters"))->setCurrentRow(0);
        QCoreApplication::processEvents();
        ok &= shoot.save(&window, QLatin1String(pages[i]));
    }

    ok &= shoot.dialog(QStringLiteral("filter-dialog"), [&]() {
        FilterCfg rule = cfg.filters.value(0);
        FilterConfigDlg(&window).exec(&rule, false, hex);
    });
    ok &= shoot.dialog(QStringLiteral("simple-remap-dialog"), [&]() {
        FilterCfg rule = cfg.filters.value(1);
        SimpleFilterConfigDlg(&window).exec(&rule, true);
    });
    ok &= shoot.dialog(QStringLiteral("add-service-dialog"), [&]() {
        AddServiceDlg(hex, &window).exec();
    });
    ok &= shoot.dialog(QStringLiteral("elementary-pid-dialog"), [&]() {
        ESCfg es = cfg.services.value(0).elements.value(1);
        ESConfigDlg(&window).exec(&es, false, hex);
    });
    ok &= shoot.dialog(QStringLiteral("settings-dialog"), [&]() {
        Settings settings = window.currentSettings();
        SettingsDialog(&window).exec(&settings);
    });
    ok &= shoot.dialog(QStringLiteral("about-dialog"), [&]() { AboutDlg(&window).exec(); });
    ok &= shoot.dialog(QStringLiteral("version-dialog"), [&]() { BuildIDDlg(&window).exec(); });

    // The check, on a copy of the sample with three typical slips.
    prompter.sample = QFileInfo(QFileInfo(sample).dir(), QStringLiteral("check-sample.mux")).absoluteFilePath();
    window.findChild<QAction *>(QStringLiteral("action_Load"))->trigger();
    window.findChild<QAction *>(QStringLiteral("action_CheckConfiguration"))->trigger();
    if (auto *check = window.findChild<CheckDialog *>(); check && prompter.failures.isEmpty()) {
        QCoreApplication::processEvents();
        ok &= shoot.save(check, QStringLiteral("check-dialog"));
    } else {
        QTextStream(stderr) << "velunor-screenshots: no check dialog " << prompter.failures.join(u'\n') << '\n';
        ok = false;
    }

    Prompter::setCurrent(nullptr);
    return ok ? 0 : 1;
}
