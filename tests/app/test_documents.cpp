// The document commands end to end: the window is driven through its actions
// and widgets, message boxes and file dialogs are answered by the
// ScriptedPrompter, our own dialogs from inside their modal loops.

#include <QtTest>

#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "buildinfo.h"
#include "config/cfgreader.h"
#include "pagedriver.h"
#include "psi/exportcheck.h"
#include "tests/common/bytecompare.h"
#include "tests/common/filehelpers.h"

namespace {

const QString dataDir = QStringLiteral(VELUNOR_TEST_DATA "/");

QString titleFor(const QString &name)
{
    return name.isEmpty() ? QStringLiteral("Velunor V0.5") : name + QStringLiteral(" - Velunor V0.5");
}

TransportStreamCfg readCfg(const QString &path)
{
    CfgReader reader;
    TransportStreamCfg cfg;
    if (!reader.open(path) || !reader.parse(&cfg))
        qFatal("cannot read %s: %s", qPrintable(path), qPrintable(reader.errorString()));
    return cfg;
}

enum Edit { NoEdit, StreamEdit, ServiceEdit, ListEdit, BadStreamField, BadServiceField, BothBad };
enum Failure { ParentIsFile, DirectoryAtTarget, WriteFails };

} // namespace

class TestDocuments : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void loadErrorLeavesDocument_data();
    void loadErrorLeavesDocument();
    void editAllPagesSaveReload();
    void saveAsThenSave();
    void writeErrorLeavesFiles_data();
    void writeErrorLeavesFiles();
    void prompt_data();
    void prompt();
    void exportMatchesGolden_data();
    void exportMatchesGolden();
    void exportRefused_data();
    void exportRefused();
    void settingsPersistAndRerender();
    void versionDialog();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    // A private copy of a golden file, so that Save never writes into tests/data.
    QString copyOf(const QString &golden);
    void load(const QString &file);
    void applyEdit(int edit);

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Window> win;
};

void TestDocuments::init()
{
    dir = std::make_unique<QTemporaryDir>();
    win = std::make_unique<Window>();
}

void TestDocuments::cleanup()
{
    win.reset();
    dir.reset();
}

QString TestDocuments::copyOf(const QString &golden)
{
    const QString target = path(golden);
    if (!writeWholeFile(target, testData(golden)))
        qFatal("cannot copy %s", qPrintable(golden));
    return target;
}

void TestDocuments::load(const QString &file)
{
    win->prompter.fileNames.enqueue(file);
    win->trigger("action_Load");
}

void TestDocuments::applyEdit(int edit)
{
    auto *tabs = win->get<QTabWidget>("tabWidget");
    tabs->setCurrentIndex(edit == ListEdit ? 1 : edit == ServiceEdit || edit == BadServiceField ? 2 : 0);
    if (edit == StreamEdit || edit == BadStreamField)
        typeText(win->edit("tsID"), edit == StreamEdit ? "0x22" : "70000");
    if (edit == ServiceEdit)
        typeText(win->edit("serviceName"), "Edited Name");
    if (edit == BadServiceField || edit == BothBad)
        typeText(win->edit("pmtPID"), "9000");
    if (edit == BothBad)
        typeText(win->edit("tsID"), "70000");
    if (edit == ListEdit) {
        // Removing a rule changes the document at once; nothing is left uncommitted.
        clickRow(win->list("filters"), 0);
        win->prompter.answers.enqueue(QMessageBox::Yes);
        win->click("removeFilter");
        win->prompter.messages.clear();
    }
}

void TestDocuments::loadErrorLeavesDocument_data()
{
    QTest::addColumn<QString>("kind"); // "missing", "directory", "large" or "file"
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("where"); // regular expression for the informative text

    QTest::newRow("missing file") << "missing" << QByteArray() << ".+";
    QTest::newRow("directory") << "directory" << QByteArray() << "directory";
    QTest::newRow("larger than any configuration") << "large" << QByteArray() << "larger than 64 MiB";
    QTest::newRow("empty file") << "file" << QByteArray() << "^Line 1, column 1: .*empty";
    QTest::newRow("unknown key on line 3") << "file" << QByteArray("transport-stream {\n\tid = 1;\n\tfoo = 2;\n}\n")
                                           << "^Line 3, column 2: .*'foo'.*'transport-stream'";
    QTest::newRow("number out of range") << "file" << QByteArray("transport-stream {\n\tpat-time = 501;\n}\n")
                                         << "^Line 2, column 13: .*501.*pat-time";
    QTest::newRow("file ends inside a block") << "file" << QByteArray("transport-stream {\n\tid = 1;\n")
                                              << "^Line 3, column 1: .*transport-stream";
    QTest::newRow("unterminated quote") << "file" << QByteArray("transport-stream {\n\tnet-name = 'open\n}\n")
                                        << "^Line 2, column 13: .*quoted";
}

void TestDocuments::loadErrorLeavesDocument()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(QString, where);

    const QString good = copyOf("example.mux");
    load(good);
    const TransportStreamCfg before = win->doc();
    win->prompter.messages.clear();

    const QString bad = path("bad.mux");
    if (kind == "directory")
        QVERIFY(QDir().mkpath(bad));
    else if (kind == "file")
        QVERIFY(writeWholeFile(bad, content));
    else if (kind == "large")
        QVERIFY(writeWholeFile(bad, content) && QFile::resize(bad, CfgReader::MaxFileSize + 1));
    load(bad);

    QCOMPARE(win->prompter.messages.size(), 1);
    const Prompter::Message &m = win->prompter.messages.first();
    const bool read = kind != "file";
    QCOMPARE(m.icon, QMessageBox::Warning);
    QCOMPARE(m.title, read ? QStringLiteral("Read Error") : QStringLiteral("Parse Error"));
    QCOMPARE(m.text, QStringLiteral("Your configuration could not be %1.").arg(read ? "read" : "parsed"));
    QVERIFY2(QRegularExpression(where).match(m.informativeText).hasMatch(), qPrintable(m.informativeText));

    QCOMPARE(win->doc(), before);
    QCOMPARE(win->w->windowTitle(), titleFor("example.mux"));
    QCOMPARE(win->w->documentFileName(), good);
    QVERIFY(!win->w->isChanged());
    QCOMPARE(win->edit("serviceName")->text(), QStringLiteral("News 24"));
    QCOMPARE(readWholeFile(good), testData("example.mux"));
}

void TestDocuments::editAllPagesSaveReload()
{
    const QString file = copyOf("example.mux");
    auto *tabs = win->get<QTabWidget>("tabWidget");
    tabs->setCurrentIndex(1);
    load(file);
    const ScriptedPrompter::FileRequest request = win->prompter.fileRequests.value(0);
    QCOMPARE(QStringList({request.caption, request.dir, request.filter}),
             QStringList({"Load Configuration", "", "MUX Configurations (*.mux)"}));
    QCOMPARE(win->doc(), readCfg(file));
    QCOMPARE(win->w->windowTitle(), titleFor("example.mux"));
    QCOMPARE(tabs->currentIndex(), 1); // the page stays where the operator was
    QCOMPARE(win->edit("serviceName")->text(), QStringLiteral("News 24"));

    tabs->setCurrentIndex(0);
    typeText(win->edit("tsID"), "0x0101");
    typeText(win->edit("netName"), "  Edited Net  ");
    pressSpace(win->get("sdtEnabled"));
    pressSpace(win->get("featPOT"));
    typeText(win->get<QSpinBox>("PATime"), 100);
    pressSpace(win->get("featRealTDT"));

    tabs->setCurrentIndex(1);
    chooseIndex(win->get<QComboBox>("filterDefault"), 0);
    ModalDriver remap([](QDialog *d) { perform(d, {"input=2", "oldPID=0x100", "newPID=0x200", "OK"}); });
    win->click("addRemap");
    QVERIFY(remap.ran);

    tabs->setCurrentIndex(2);
    typeText(win->edit("serviceName"), "Edited Service");
    typeText(win->edit("pmtPID"), "0x1100");
    typeText(win->edit("lcNumber"), "7");
    pressSpace(win->get("caEnabled"));
    ModalDriver es([](QDialog *d) { perform(d, {"type=3", "language= deu ", "pid=0x300", "OK"}); });
    win->click("addES");
    QVERIFY(es.ran);

    QVERIFY(win->w->hasUnsavedChanges());
    win->trigger("action_Save");
    QCOMPARE(win->prompter.titles(), QStringList());
    QCOMPARE(win->prompter.fileRequests.size(), 1); // only the Load: Save knows its file
    QVERIFY(!win->w->hasUnsavedChanges());
    QVERIFY(!win->w->isChanged());
    QCOMPARE(win->w->windowTitle(), titleFor("example.mux"));
    COMPARE_BYTES(readWholeFile(file), testData("example-edited.mux"));

    // A second window reads back what was typed; without a ca block the file
    // keeps neither CA id nor ECM PID.
    TransportStreamCfg typed = win->doc();
    typed.services[0].caId = typed.services[0].ecmPid = 0;
    Window second;
    second.prompter.fileNames.enqueue(file);
    second.trigger("action_Load");
    QCOMPARE(second.doc(), typed);
    QCOMPARE(second.doc().netName, QStringLiteral("Edited Net"));
}

void TestDocuments::saveAsThenSave()
{
    const QString original = copyOf("example.mux");
    load(original);
    const QString target = path("other.mux");
    win->prompter.fileNames.enqueue(target);
    win->trigger("action_SaveAs");
    const ScriptedPrompter::FileRequest request = win->prompter.fileRequests.value(1);
    QVERIFY(request.save);
    QCOMPARE(QStringList({request.caption, request.dir, request.filter}),
             QStringList({"Save Configuration", original, "MUX Configurations (*.mux)"}));
    QCOMPARE(readWholeFile(target), testData("example.mux")); // the canonical layout round-trips
    QCOMPARE(win->w->documentFileName(), target);
    QCOMPARE(win->w->windowTitle(), titleFor("other.mux"));

    applyEdit(StreamEdit);
    win->trigger("action_Save");
    QCOMPARE(win->prompter.fileRequests.size(), 2);
    QVERIFY(win->prompter.messages.isEmpty());
    QCOMPARE(int(readCfg(target).id), 0x22);
    QCOMPARE(readWholeFile(original), testData("example.mux"));

    // A cancelled Save As changes nothing.
    win->trigger("action_SaveAs");
    QCOMPARE(win->prompter.fileRequests.value(2).dir, target);
    QCOMPARE(win->w->documentFileName(), target);
    QCOMPARE(win->w->windowTitle(), titleFor("other.mux"));
}

void TestDocuments::writeErrorLeavesFiles_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("target");

    for (const char *action : {"action_SaveAs", "action_ExportToMUX"}) {
        QTest::addRow("%s, parent directory is a regular file", action) << action << int(ParentIsFile) << "plain/out";
        QTest::addRow("%s, a directory stands at the target", action) << action << int(DirectoryAtTarget) << "out";
        QTest::addRow("%s, writing fails part-way", action) << action << int(WriteFails) << "out";
    }
}

void TestDocuments::writeErrorLeavesFiles()
{
    QFETCH(QString, action);
    QFETCH(int, failure);
    QFETCH(QString, target);

    const QString file = copyOf("example.mux");
    load(file);
    const bool saving = action == "action_SaveAs";
    target = path(target + (saving ? ".mux" : ".mbn"));
    if (failure == ParentIsFile)
        QVERIFY(writeWholeFile(QFileInfo(target).absolutePath(), "a plain file\n"));
    else if (failure == DirectoryAtTarget)
        QVERIFY(QDir().mkpath(target));
    else
        QVERIFY(writeWholeFile(target, QByteArray(30, 'p')));
    const QByteArray targetBefore = readWholeFile(target);
    const QStringList entriesBefore = dirEntries(dir->path());

    typeText(win->edit("netName"), "Not Saved");
    win->prompter.fileNames.enqueue(target);
    auto problems = [&]() {
        win->trigger(action.toLatin1().constData());
        QStringList p;
        if (win->prompter.titles() != QStringList{"Write Error"})
            p << "asked " + win->prompter.titles().join(',');
        else if (win->prompter.messages.first().text
                 != QStringLiteral("Your configuration could not be %1.").arg(saving ? "saved" : "exported"))
            p << win->prompter.messages.first().text;
        if (win->w->documentFileName() != file || win->w->windowTitle() != titleFor("example.mux"))
            p << "file or title changed";
        if (!win->w->isChanged())
            p << "marked saved";
        return p.join("; ");
    };
    if (failure == WriteFails) {
        // The target opens, then the disk is full after 64 bytes.
        QCOMPARE(exitCodeUnderFileSizeLimit(64, [&] {
            const QString p = problems();
            if (!p.isEmpty())
                std::fprintf(stderr, "%s\n", qPrintable(p));
            return p.isEmpty() ? 0 : 1;
        }), 0);
    } else {
        QCOMPARE(problems(), QString());
    }
    QCOMPARE(readWholeFile(file), testData("example.mux"));
    QCOMPARE(readWholeFile(target), targetBefore);
    QCOMPARE(QFileInfo(target).isDir(), failure == DirectoryAtTarget);
    QCOMPARE(dirEntries(dir->path()), entriesBefore); // no temporary file left behind
}

void TestDocuments::prompt_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("edit");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("nameGiven"); // the save dialog returns a name
    QTest::addColumn<bool>("proceeds");
    QTest::addColumn<QString>("invalidField");

    const int yes = QMessageBox::Yes, no = QMessageBox::No, cancel = QMessageBox::Cancel;
    for (const char *c : {"New", "Load", "Close"}) {
        auto row = [&](const char *what) { return &QTest::addRow("%s: %s", c, what); };
        *row("nothing to save asks nothing") << c << int(NoEdit) << 0 << false << true << "";
        *row("stream edit, Yes saves first") << c << int(StreamEdit) << yes << true << true << "";
        *row("service edit, Yes saves first") << c << int(ServiceEdit) << yes << true << true << "";
        *row("list edit, Yes saves first") << c << int(ListEdit) << yes << true << true << "";
        *row("stream edit, No drops it") << c << int(StreamEdit) << no << false << true << "";
        *row("service edit, No drops it") << c << int(ServiceEdit) << no << false << true << "";
        *row("list edit, No drops it") << c << int(ListEdit) << no << false << true << "";
        *row("stream edit, Cancel keeps it") << c << int(StreamEdit) << cancel << false << false << "";
        *row("service edit, Cancel keeps it") << c << int(ServiceEdit) << cancel << false << false << "";
        *row("list edit, Cancel keeps it") << c << int(ListEdit) << cancel << false << false << "";
        *row("Yes, save dialog cancelled") << c << int(ServiceEdit) << yes << false << false << "";
        *row("Yes with an invalid stream field") << c << int(BadStreamField) << yes << false << false
                                                 << "Transport Stream ID";
        *row("Yes with an invalid service field") << c << int(BadServiceField) << yes << false << false
                                                  << "PMT PID";
        // New and Load commit the service first, closing the stream page first.
        *row("Yes with invalid fields on both pages") << c << int(BothBad) << yes << false << false
                                                      << (c == QLatin1String("Close") ? "Transport Stream ID" : "PMT PID");
    }
}

void TestDocuments::prompt()
{
    QFETCH(QString, command);
    QFETCH(int, edit);
    QFETCH(int, answer);
    QFETCH(bool, nameGiven);
    QFETCH(bool, proceeds);
    QFETCH(QString, invalidField);

    const bool closing = command == "Close";
    const TransportStreamCfg start = readCfg(dataDir + "example.mux");
    win->w->setDocument(start);
    applyEdit(edit);
    ScriptedPrompter &prompter = win->prompter;
    QVERIFY(prompter.messages.isEmpty());

    const QString out = path("saved.mux"), other = path("other.mux");
    QVERIFY(writeWholeFile(other, "transport-stream {\n\tid = 77;\n}\n"));
    const bool saveAsked = answer == QMessageBox::Yes && invalidField.isEmpty();
    if (saveAsked)
        prompter.fileNames.enqueue(nameGiven ? out : QString());
    if (command == "Load")
        prompter.fileNames.enqueue(other);
    if (answer)
        prompter.answers.enqueue(QMessageBox::StandardButton(answer));
    const bool closed = closing ? win->w->close() : (win->trigger(command == "New" ? "action_New" : "action_Load"), false);

    // What was asked.
    QStringList titles;
    if (edit != NoEdit)
        titles << "Unsaved Changes";
    if (!invalidField.isEmpty())
        titles << "Invalid Value";
    QCOMPARE(prompter.titles(), titles);
    if (edit != NoEdit) {
        const Prompter::Message &q = prompter.messages.first();
        QCOMPARE(q.icon, QMessageBox::Question);
        QCOMPARE(q.text, closing ? QStringLiteral("The configuration was changed.\nDo you want to save the changes?")
                                 : QStringLiteral("This service has uncommitted changes.\nDo you want to save them?"));
        QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(q.defaultButton, QMessageBox::Yes);
    }
    if (!invalidField.isEmpty())
        QVERIFY2(prompter.messages.last().text.contains(invalidField), qPrintable(prompter.messages.last().text));
    QCOMPARE(prompter.fileRequests.size(), int(saveAsked) + int(command == "Load" && proceeds));
    if (saveAsked)
        QCOMPARE(prompter.fileRequests.first().caption, QStringLiteral("Save Configuration"));

    // What was written.
    QCOMPARE(QFile::exists(out), saveAsked && nameGiven);
    if (saveAsked && nameGiven) {
        const TransportStreamCfg written = readCfg(out);
        QCOMPARE(int(written.id), edit == StreamEdit ? 0x22 : 1);
        QCOMPARE(written.services.first().serviceName, edit == ServiceEdit ? "Edited Name" : "News 24");
        QCOMPARE(written.filters.size(), start.filters.size() - (edit == ListEdit));
    }

    // What became of the document.
    if (closing) {
        QCOMPARE(closed, proceeds);
        QCOMPARE(win->w->isVisible(), !proceeds);
    } else if (proceeds) {
        QCOMPARE(win->doc().id, command == "New" ? 0 : 77);
        QCOMPARE(win->w->documentFileName(), command == "New" ? QString() : other);
        QCOMPARE(win->w->windowTitle(), titleFor(command == "New" ? "" : "other.mux"));
        QVERIFY(!win->w->isChanged());
        // Neither document has a service: the editor is empty and disabled.
        QCOMPARE(win->list("services")->count(), 0);
        QVERIFY(!win->edit("serviceName")->isEnabled() && win->edit("serviceName")->text().isEmpty());
        // Edits answered with No are gone: closing now asks nothing.
        const qsizetype asked = prompter.messages.size();
        QVERIFY(win->w->close());
        QCOMPARE(prompter.messages.size(), asked);
    }
    if (!proceeds) {
        // The edit is still there, on the page or committed.
        QVERIFY(win->w->documentFileName().isEmpty());
        QVERIFY(win->w->hasUnsavedChanges());
        QCOMPARE(win->doc().services.size(), start.services.size());
        if (edit == StreamEdit)
            QCOMPARE(win->edit("tsID")->text(), QStringLiteral("0x22"));
        if (edit == ServiceEdit)
            QCOMPARE(win->edit("serviceName")->text(), QStringLiteral("Edited Name"));
        if (edit == ListEdit)
            QCOMPARE(win->doc().filters.size(), start.filters.size() - 1);
    }
}

void TestDocuments::exportMatchesGolden_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("realTdtTyped"); // an uncommitted edit is committed first
    QTest::addColumn<QString>("golden");

    const QDir psi(dataDir + "psi");
    for (const QString &mux : psi.entryList({"*.mux"}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(mux)) << "psi/" + mux << false << "psi/" + mux.chopped(4) + ".mbn";
    QTest::newRow("all tables, Real time typed") << "psi/all-tables.mux" << true << "psi/real-time-tdt.mbn";
}

void TestDocuments::exportMatchesGolden()
{
    QFETCH(QString, source);
    QFETCH(bool, realTdtTyped);
    QFETCH(QString, golden);

    load(dataDir + source);
    if (realTdtTyped)
        pressSpace(win->get("featRealTDT"));
    const QString target = path("out.mbn");
    win->prompter.fileNames.enqueue(target);
    win->trigger("action_ExportToMUX");
    QCOMPARE(win->prompter.titles(), QStringList());
    const ScriptedPrompter::FileRequest request = win->prompter.fileRequests.last();
    QVERIFY(request.save);
    QCOMPARE(QStringList({request.caption, request.filter}), QStringList({"Export to MUX", "MUX Binary (*.mbn)"}));
    COMPARE_BYTES(readWholeFile(target), testData(golden));
    // An export is not a save: a committed edit stays unsaved.
    QCOMPARE(win->w->isChanged(), realTdtTyped);
    QCOMPARE(win->doc().realTdt, realTdtTyped || source.contains("real-time"));
}

void TestDocuments::exportRefused_data()
{
    QTest::addColumn<int>("edit"); // NoEdit: seventeen services, one more than the PMT slots
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QString>("title");

    QTest::newRow("too many services, new file") << int(NoEdit) << false << "Export Error";
    QTest::newRow("too many services, existing file") << int(NoEdit) << true << "Export Error";
    QTest::newRow("invalid service field, new file") << int(BadServiceField) << false << "Invalid Value";
    QTest::newRow("invalid stream field, existing file") << int(BadStreamField) << true << "Invalid Value";
}

void TestDocuments::exportRefused()
{
    QFETCH(int, edit);
    QFETCH(bool, existing);
    QFETCH(QString, title);

    TransportStreamCfg cfg = readCfg(dataDir + "example.mux");
    for (int i = 1; i < 17 && edit == NoEdit; ++i) {
        cfg.services << cfg.services.first();
        cfg.services.last().id = quint16(100 + i);
        cfg.services.last().pmtPid = quint16(0x1000 + 0x10 * i);
    }
    const QStringList problems = exportProblems(cfg);
    QCOMPARE(problems.isEmpty(), edit != NoEdit);
    win->w->setDocument(cfg);
    applyEdit(edit);
    const QString target = path("refused.mbn");
    if (existing)
        QVERIFY(writeWholeFile(target, "previous export"));
    win->prompter.fileNames.enqueue(target);
    win->trigger("action_ExportToMUX");

    QCOMPARE(win->prompter.titles(), QStringList{title});
    const Prompter::Message &m = win->prompter.messages.first();
    QCOMPARE(m.icon, QMessageBox::Warning);
    if (edit == NoEdit) {
        QCOMPARE(m.text, QStringLiteral("Your configuration could not be exported."));
        QCOMPARE(m.detailedText, problems.join('\n'));
    }
    QCOMPARE(dirEntries(dir->path()), existing ? QStringList{"refused.mbn"} : QStringList());
    QCOMPARE(readWholeFile(target), existing ? QByteArray("previous export") : QByteArray());
    QVERIFY(!win->w->isChanged());
}

void TestDocuments::settingsPersistAndRerender()
{
    load(copyOf("example.mux"));
    auto shown = [&]() {
        QStringList t;
        for (const char *name : {"tsID", "origTSID", "netID", "tsCAID", "emmPID", "serviceID", "pmtPID", "pcrPID",
                                 "caID", "ecmPID", "lcNumber"})
            t << win->edit(name)->text();
        return t + texts(win->list("filters")) + texts(win->list("services")) + texts(win->list("elements"));
    };
    const QStringList decimal = shown();
    QCOMPARE(decimal.at(6), QStringLiteral("4096"));
    auto choose = [&](int notation, bool ok) {
        ModalDriver dialog([&](QDialog *d) {
            chooseIndex(child<QComboBox>(d, "notation"), notation);
            clickBox(d, ok);
        });
        win->trigger("action_Settings");
        QCOMPARE(dialog.className, QStringLiteral("SettingsDialog"));
    };

    choose(1, true);
    QVERIFY(win->w->currentSettings().hex);
    QVERIFY(Settings().hex); // persisted, so a new window starts in hex
    const QStringList hex = shown();
    QCOMPARE(hex, QStringList({"0x0001", "0x0001", "0x0001", "0x0b00", "0x0384", "0x0001", "0x1000", "0x0100",
                               "0x0b00", "0x0385", "1", "Input Port 1, 0x0200 <= PID <= 0x02ff: Remap to base 0x0300",
                               "News 24 (Service 0x0001)\nPMT:0x1000 (Vid:0x0100, Aud:0x0101)",
                               "MPEG2 Video (PID:0x0100)", "MPEG2 Audio (PID:0x0101, Language:eng)"}));
    QVERIFY(!win->w->hasUnsavedChanges());

    // Cancelled after choosing decimal: nothing changes, nothing is stored.
    choose(0, false);
    QVERIFY(win->w->currentSettings().hex);
    QCOMPARE(shown(), hex);
    QVERIFY(Velunor().currentSettings().hex);
    QVERIFY(win->prompter.messages.isEmpty());

    // Uncommitted edits survive a change of notation: numbers are shown anew,
    // other texts stay as typed, the element list keeps its working copy.
    typeText(win->edit("tsID"), "12x");
    typeText(win->edit("pmtPID"), "0x1001");
    typeText(win->edit("serviceName"), "Edited");
    clickRow(win->list("elements"), 0);
    win->prompter.answers << QMessageBox::Yes;
    QTest::mouseClick(win->get<QAbstractButton>("removeES"), Qt::LeftButton);
    choose(0, true);
    QCOMPARE(win->edit("tsID")->text(), QStringLiteral("12x"));
    QCOMPARE(win->edit("pmtPID")->text(), QStringLiteral("4097"));
    QCOMPARE(win->edit("serviceName")->text(), QStringLiteral("Edited"));
    QCOMPARE(texts(win->list("elements")), QStringList{"MPEG2 Audio (PID:257, Language:eng)"});
    QCOMPARE(win->list("services")->currentRow(), 0);
    QVERIFY(win->w->hasUnsavedChanges());
    typeText(win->edit("tsID"), "1");
    QVERIFY(win->w->commitPages());
    QCOMPARE(win->doc().services.at(0).serviceName, QStringLiteral("Edited"));
    QCOMPARE(win->doc().services.at(0).pmtPid, 4097);
    QCOMPARE(win->doc().services.at(0).elements.size(), 1);
}

void TestDocuments::versionDialog()
{
    QStringList shown;
    ModalDriver version([&](QDialog *d) {
        for (const char *name : {"id", "tag", "branch", "mod", "date"})
            shown << child<QLabel>(d, name)->text();
        QTest::mouseClick(child<QPushButton>(d, "pushButton"), Qt::LeftButton);
    });
    win->trigger("action_Version");
    QCOMPARE(version.title, QStringLiteral("Build ID and Version Information"));
    QVERIFY(!version.stayedOpen);
    // Revision, branch and modified state are whatever the build found.
    QCOMPARE(shown.mid(0, 4), QStringList({VELUNOR_BUILD_ID, "V0.5", VELUNOR_BUILD_BRANCH,
                                           VELUNOR_BUILD_MODIFIED ? "YES" : "NO"}));
    QVERIFY2(QRegularExpression("^[0-9a-f]{12}$").match(shown.at(0)).hasMatch(), qPrintable(shown.at(0)));
    QVERIFY2(QRegularExpression("^[A-Z][a-z]{2} \\d{1,2} \\d{4} \\d\\d:\\d\\d:\\d\\d$").match(shown.at(4)).hasMatch(),
             qPrintable(shown.at(4)));
}

QTEST_MAIN(TestDocuments)
#include "test_documents.moc"
