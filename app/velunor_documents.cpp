#include "app/velunor.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QUndoStack>

#include <cstdio>

#include "check/tableversions.h"
#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "config/fileaccess.h"
#include "dialogs/prompter.h"
#include "import/importer.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"
#include "app/entrytexts.h"
#include "app/servicespage.h"
#include "app/streampage.h"
#include "ui_velunor.h"

// Document commands: New, Load, Import, Save, Save As, Export to MUX, the
// recent files, and the two unsaved-changes prompts.
//
// The pages are not bound live to `config`: the stream page and the service
// editor are committed (validated and stored) before anything is written, and
// a refused field ends the command before any file is opened. Regular files
// are replaced through QSaveFile by the writer and by PsiVmProgram, so a
// failed write leaves the previous file on disk as it was; a FIFO or a device
// chosen as the target is written in place, as a copy that leaves the
// document's name, its unsaved state and the recent files alone.

namespace {

QString configurationFilter()
{
    return Velunor::tr("MUX Configurations (*.mux)");
}

// A name typed without a suffix gets the one of its kind: "stream" would be
// written, and then never shown by Load's filter. A name that stands for
// something already (/dev/null, a FIFO) is taken as it is.
QString withSuffix(const QString &name, const char *suffix)
{
    if (name.isEmpty() || !QFileInfo(name).suffix().isEmpty() || nameTaken(name))
        return name;
    return name + QLatin1Char('.') + QLatin1String(suffix);
}

// An export refused shows this many reasons in its box.
constexpr int ExportReasonsShown = 5;

QString shownPath(const QString &name)
{
    return QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath());
}

// "a.mux: 1,234 bytes written." for a file that now holds them; a FIFO or a
// device has no size to tell.
QString writtenLine(const char *done, const QString &target)
{
    const QFileInfo info(target);
    if (!info.isFile())
        return Velunor::tr("%1 %2.").arg(Velunor::tr(done), shownPath(target));
    return Velunor::tr("%1 %2: %3 bytes written.")
        .arg(Velunor::tr(done), shownPath(target), QLocale().toString(info.size()));
}

// The lines of the export check as the box shows them: a service's name cut
// in the middle, so that no line runs wider than the box.
QString problemLine(const ExportProblem &p, const TransportStreamCfg &cfg, const Wording &words)
{
    if (p.service < 0 || p.service >= cfg.services.size())
        return p.message;
    ServiceCfg named = cfg.services.at(p.service);
    named.serviceName = elidedInMiddle(named.serviceName, 60);
    return serviceLabel(p.service, named, words) + QLatin1String(": ") + p.problem;
}

} // namespace

void Velunor::on_action_New_triggered()
{
    if (!maybeSave())
        return;

    closeCheckDialog();
    resetDocument();
    showDocument(-1);
    ui->tabWidget->setCurrentIndex(0);

    history->clear();
    fileName.clear();
    lastExport.clear();
    updateWindowTitle();
}

void Velunor::on_action_Load_triggered()
{
    if (!maybeSave())
        return;

    const QString name = Prompter::current()->openFileName(this, tr("Load Configuration"),
                                                           QString(), configurationFilter());
    if (!name.isEmpty())
        loadFile(name);
}

bool Velunor::openFile(const QString &name)
{
    return maybeSave() && loadFile(name);
}

QString Velunor::exportStartName() const
{
    if (!lastExport.isEmpty() || fileName.isEmpty())
        return lastExport;
    const QFileInfo beside(fileName);
    return beside.dir().filePath(beside.completeBaseName() + QLatin1String(".mbn"));
}

bool Velunor::loadFile(const QString &name)
{
    // The reader fills a record of its own and hands it over only when the
    // whole file was understood, so a fault leaves document and pages alone.
    // Without a line, the fault is in reading the file, not in its text.
    CfgReader reader;
    TransportStreamCfg loaded;
    const bool parsed = reader.open(name) && reader.parse(&loaded);
    if (!parsed) {
        // A capture or an export chosen by mistake: say what it is, and offer
        // what reads it.
        QFile file;
        bool regular = false;
        QString error;
        QByteArray head;
        const InputKind kind = openInput(name, &file, &regular, &error) && regular && readBounded(&file, InputKindHead - 1, &head)
                                   ? inputKind(head)
                                   : InputKind::Unknown;
        if (kind != InputKind::Unknown) {
            Prompter::Message m;
            m.icon = QMessageBox::Warning;
            m.title = tr("Parse Error");
            m.text = kind == InputKind::Program ? tr("This is a MUX binary, not a configuration.")
                                                : tr("This is a transport stream, not a configuration.");
            m.informativeText = tr("Import builds a configuration from the tables it carries.");
            m.buttons = QMessageBox::Open | QMessageBox::Cancel;
            m.defaultButton = QMessageBox::Open;
            m.openText = tr("&Import");
            return Prompter::current()->message(this, m) == QMessageBox::Open && importFrom(name, kind);
        }
    }
    if (!parsed && reader.errorLine() <= 0) {
        Prompter::warning(this, tr("Read Error"), tr("Your configuration could not be read."),
                          reader.errorString());
        return false;
    }
    if (!parsed) {
        // The reader's note on where it found the fault goes to the terminal,
        // as it always has; the dialog gives the position and the reason.
        if (!reader.diagnostic().isEmpty()) {
            std::fprintf(stderr, "%s\n", reader.diagnostic().constData());
            std::fflush(stderr);
        }
        QString where;
        if (reader.errorString().isEmpty())
            where = tr("Line %1, column %2").arg(reader.errorLine()).arg(reader.errorColumn());
        else
            where = tr("Line %1, column %2: %3")
                        .arg(reader.errorLine())
                        .arg(reader.errorColumn())
                        .arg(reader.errorString());
        Prompter::warning(this, tr("Parse Error"), tr("Your configuration could not be parsed."),
                          where);
        return false;
    }

    setDocument(loaded);
    lastExport.clear();
    fileName = name;
    updateWindowTitle();
    rememberFile(name);
    return true;
}

void Velunor::rememberFile(const QString &name)
{
    settings.addRecentFile(QFileInfo(name).absoluteFilePath());
    settings.save(); // a settings file that cannot be written costs only the list
    refreshRecentFiles();
}

void Velunor::refreshRecentFiles()
{
    QMenu *menu = ui->menu_RecentFiles;
    menu->clear();
    for (int i = 0; i < settings.recentFiles.size(); ++i) {
        const QString name = settings.recentFiles.at(i);
        QString shown = QDir::toNativeSeparators(name);
        shown.replace(QLatin1Char('&'), QLatin1String("&&"));
        connect(menu->addAction(tr("&%1 %2").arg(i + 1).arg(shown)), &QAction::triggered, this,
                [this, name]() { openRecentFile(name); });
    }
    menu->addSeparator();
    QAction *clear = menu->addAction(tr("&Clear"));
    clear->setObjectName(QStringLiteral("action_ClearRecentFiles"));
    clear->setEnabled(!settings.recentFiles.isEmpty());
    connect(clear, &QAction::triggered, this, [this]() {
        settings.recentFiles.clear();
        settings.save();
        refreshRecentFiles();
    });
}

void Velunor::openRecentFile(const QString &name)
{
    if (!maybeSave() || loadFile(name))
        return;
    // Shown as Load's read error; a file that is gone leaves the list.
    if (!QFileInfo::exists(name)) {
        settings.recentFiles.removeAll(name);
        settings.save();
        refreshRecentFiles();
    }
}

// A configuration built from a capture or a MUX binary opens like a new
// document that was already edited: untitled, changed, nothing to undo.
void Velunor::on_action_Import_triggered()
{
    if (!maybeSave())
        return;

    const QString name = Prompter::current()->openFileName(
        this, tr("Import Configuration"), QString(),
        tr("Transport Streams and MUX Binaries (*.ts *.m2ts *.mbn);;All Files (*)"));
    if (name.isEmpty())
        return;

    importFrom(name, InputKind::Unknown);
}

bool Velunor::importFrom(const QString &name, InputKind kind)
{
    const ImportResult result = importFile(name, ImportOptions(), kind);
    if (result.status != ImportResult::Imported) {
        Prompter::warning(this, tr("Import Error"),
                          tr("No configuration could be imported from %1.").arg(QFileInfo(name).fileName()),
                          result.error);
        return false;
    }
    setDocument(result.cfg);
    fileName.clear();
    lastExport.clear();
    // No state of its history was ever saved: undoing every later step
    // leaves it changed all the same.
    history->resetClean();
    updateWindowTitle();
    const int services = int(result.cfg.services.size());
    showStatus(services == 1 ? tr("Imported %1: 1 service.").arg(shownPath(name))
                             : tr("Imported %1: %2 services.").arg(shownPath(name)).arg(services));
    if (!result.warnings.isEmpty())
        Prompter::warning(this, tr("Import Warnings"),
                          tr("%n thing(s) in %1 could not be imported as they are.", nullptr,
                             int(result.warnings.size()))
                              .arg(QFileInfo(name).fileName()),
                          tr("The configuration holds everything else; the details name each one."),
                          result.warnings.join(QLatin1Char('\n')));
    return true;
}

void Velunor::on_action_Save_triggered()
{
    QString target = fileName;
    if (target.isEmpty()) {
        target = withSuffix(Prompter::current()->saveFileName(this, tr("Save Configuration"), QString(),
                                                              configurationFilter()), "mux");
        if (target.isEmpty())
            return;
    }
    // The file just written is the document's file from now on: the next
    // Save goes there without asking, and the title names it.
    if (saveTo(target) && target != fileName) {
        fileName = target;
        updateWindowTitle();
    }
}

void Velunor::on_action_SaveAs_triggered()
{
    const QString target = withSuffix(Prompter::current()->saveFileName(this, tr("Save Configuration"),
                                                                        fileName, configurationFilter()), "mux");
    if (target.isEmpty())
        return;
    if (saveTo(target) && target != fileName) {
        fileName = target;
        updateWindowTitle();
    }
}

void Velunor::on_action_ExportToMUX_triggered()
{
    const QString target = withSuffix(Prompter::current()->saveFileName(this, tr("Export to MUX"), exportStartName(),
                                                                        tr("MUX Binary (*.mbn)")), "mbn");
    if (target.isEmpty())
        return;

    if (!commitPages())
        return;
    if (!fileName.isEmpty() && sameRegularFile(fileName, target)) {
        Prompter::warning(this, tr("Write Error"), tr("Your configuration could not be exported."),
                          tr("%1 is the configuration's own file; choose another name.")
                              .arg(QDir::toNativeSeparators(target)));
        return;
    }

    // Ask the engine first: a program it would have to cut short (more PMT
    // routines than the entry table has slots, for instance) is never written.
    const Wording words = Wording::editor(settings.hex);
    const QList<ExportProblem> problems = exportProblemList(config, words);
    if (!problems.isEmpty()) {
        // The reasons in the box itself, the first few; all of them, whole,
        // behind Show Details.
        QStringList shown, all;
        for (const ExportProblem &p : problems) {
            if (shown.size() < ExportReasonsShown)
                shown << problemLine(p, config, words);
            all << p.message;
        }
        if (problems.size() > ExportReasonsShown)
            shown << tr("and %1 more.").arg(problems.size() - ExportReasonsShown);
        Prompter::warning(this, tr("Export Error"), tr("Your configuration could not be exported."),
                          shown.join(QLatin1Char('\n')), all.join(QLatin1Char('\n')));
        return;
    }

    PsiVmProgram program;
    program.setDumpEnabled(true); // the psivm_prog array on stderr, for the device's tools
    const bool opened = program.open(target, OutputFile::ReaderWait::FailAtOnce);
    VersionChoice versions;
    if (opened && !program.inPlace())
        versions = chooseTableVersions(config, target, PreviousProgram::Replaced, Wording::editor(settings.hex));
    program.setVersions(versions.versions);
    if (!opened || !program.generateProgram(config)) {
        Prompter::warning(this, tr("Write Error"), tr("Your configuration could not be exported."),
                          tr("%1 cannot be written: %2").arg(shownPath(target), program.errorString()));
        return;
    }
    // An export is no save: `changed` stays as the commits left it.
    if (!program.inPlace())
        lastExport = target;
    // The tables whose version moved follow the bytes written, so the operator
    // knows which tables receivers will take up again.
    QStringList line{writtenLine(QT_TR_NOOP("Exported to"), target)};
    if (!versions.notes.isEmpty())
        line << versions.notes.join(QLatin1String("; ")) + QLatin1Char('.');
    showStatus(line.join(QLatin1Char(' ')));
}

void Velunor::closeEvent(QCloseEvent *event)
{
    bool leave = true;
    if (hasUnsavedChanges()) {
        const QMessageBox::StandardButton answer = Prompter::question(
            this, tr("Unsaved Changes"),
            tr("The configuration was changed.\nDo you want to save the changes?"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        if (answer == QMessageBox::Cancel) {
            leave = false;
        } else if (answer == QMessageBox::Yes) {
            // Still changed after Save: the save dialog was cancelled or
            // writing failed.
            leave = commitPages();
            if (leave)
                on_action_Save_triggered();
            leave = leave && !isChanged();
        }
    }
    if (leave)
        saveWindowState();
    event->setAccepted(leave);
}

bool Velunor::maybeSave()
{
    if (!hasUnsavedChanges())
        return true;

    // The service's words only where the service holds the edits.
    const QMessageBox::StandardButton answer = Prompter::question(
        this, tr("Unsaved Changes"),
        ui->PSIGenerator->hasPendingEdits() ? tr("This service has uncommitted changes.\nDo you want to save them?")
                                            : tr("The configuration was changed.\nDo you want to save the changes?"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);

    switch (answer) {
    case QMessageBox::Yes:
        if (!ui->PSIGenerator->commit() || !ui->StreamConfig->commit())
            return false;
        if (isChanged())
            on_action_Save_triggered();
        return !isChanged();
    case QMessageBox::No:
        // The command that follows replaces the pages, dropping the edits.
        return true;
    case QMessageBox::Cancel:
        // Put the selection back on the service that stays in the editor.
        ui->PSIGenerator->reselectOpenService();
        return false;
    default:
        return true;
    }
}

// True when the target now holds the document; a FIFO or a device only got a
// copy, and the document stays as unsaved as it was.
bool Velunor::saveTo(const QString &target)
{
    // Commit before the writer touches the target: a refused field must leave
    // the file on disk as it was.
    if (!commitPages())
        return false;

    CfgWriter writer;
    if (!writer.open(target, OutputFile::ReaderWait::FailAtOnce) || !writer.write(config)) {
        Prompter::warning(this, tr("Write Error"), tr("Your configuration could not be saved."),
                          writer.errorString());
        return false;
    }
    showStatus(writtenLine(QT_TR_NOOP("Saved"), target));
    if (writer.inPlace())
        return false;
    history->setClean();
    rememberFile(target);
    return true;
}
