// The document commands end to end, through the window's actions and widgets;
// message boxes and file dialogs are answered by the ScriptedPrompter.

#include <QtTest>

#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>

#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "mbn/mbnprogram.h"
#include "psi/psivmprogram.h"
#include "pagedriver.h"
#include "tests/common/bytecompare.h"
#include "tests/common/filehelpers.h"

namespace {

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

} // namespace

class TestDocuments : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Window> win;

    QString path(const QString &name) const { return dir->filePath(name); }
    // A private copy of a golden file, so that Save never writes into tests/data.
    QString copyOf(const QString &golden)
    {
        writeWholeFile(path(QFileInfo(golden).fileName()), testData(golden));
        return path(QFileInfo(golden).fileName());
    }
    void load(const QString &file)
    {
        win->prompter.fileNames.enqueue(file);
        win->trigger("action_Load");
    }
    // Edits of the stream page, the service page and the filter list (which
    // changes the document at once), valid or not.
    void applyEdit(const QString &edit)
    {
        win->get<QTabWidget>("tabWidget")->setCurrentIndex(edit == "list" ? 1 : edit.contains("ervice") ? 2 : 0);
        if (edit == "stream" || edit == "badStream")
            typeText(win->edit("tsID"), edit == "stream" ? "0x22" : "70000");
        if (edit == "service")
            typeText(win->edit("serviceName"), "Edited Name");
        if (edit == "badService" || edit == "bothBad")
            typeText(win->edit("pmtPID"), "9000");
        if (edit == "bothBad")
            typeText(win->edit("tsID"), "70000");
        if (edit == "list") {
            clickRow(win->list("filters"), 0);
            win->prompter.answers.enqueue(QMessageBox::Yes);
            win->click("removeFilter");
            win->prompter.messages.clear();
        }
    }

private Q_SLOTS:
    void init()
    {
        win.reset(); // its prompter first, so that the new one stays installed
        dir = std::make_unique<QTemporaryDir>();
        win = std::make_unique<Window>();
    }

    void editAllPagesSaveReload()
    {
        const QString file = copyOf("example.mux");
        auto *tabs = win->get<QTabWidget>("tabWidget");
        load(file);
        typeText(win->edit("tsID"), "0x0101");
        typeText(win->edit("netName"), "  Edited Net  ");
        for (const char *box : {"sdtEnabled", "featPOT", "featRealTDT"})
            pressSpace(win->get(box));
        typeText(win->get<QSpinBox>("PATime"), 100);
        tabs->setCurrentIndex(1);
        chooseIndex(win->get<QComboBox>("filterDefault"), 0);
        ModalDriver remap([](QDialog *d) { perform(d, {"input=2", "oldPID=0x100", "newPID=0x200", "OK"}); });
        win->click("addRemap");
        tabs->setCurrentIndex(2);
        typeText(win->edit("serviceName"), "Edited Service");
        typeText(win->edit("pmtPID"), "0x1100");
        typeText(win->edit("lcNumber"), "7");
        pressSpace(win->get("caEnabled"));
        ModalDriver es([](QDialog *d) { perform(d, {"type=3", "language= deu ", "pid=0x300", "OK"}); });
        win->click("addES");
        // Export commits what is typed first, but is no save.
        win->prompter.fileNames.enqueue(path("out.mbn"));
        win->trigger("action_ExportToMUX");
        COMPARE_BYTES(readWholeFile(path("out.mbn")), testData("documents/example-edited.mbn"));
        QVERIFY(win->w->isChanged());
        win->trigger("action_Save");
        QCOMPARE(win->prompter.titles(), QStringList());
        QCOMPARE(win->prompter.fileRequests.size(), 2); // Load and Export: Save knows its file
        QVERIFY(!win->w->hasUnsavedChanges());
        COMPARE_BYTES(readWholeFile(file), testData("example-edited.mux"));
        // Save As moves the document to the new file, starting from the old one.
        win->prompter.fileNames.enqueue(path("other.mux"));
        win->trigger("action_SaveAs");
        QCOMPARE(win->w->windowTitle(), titleFor("other.mux"));
        applyEdit("stream");
        win->trigger("action_Save");
        QCOMPARE(int(readCfg(path("other.mux")).id), 0x22);
        COMPARE_BYTES(readWholeFile(file), testData("example-edited.mux"));
        // Exported again over the first export, with a new transport_stream_id:
        // the NIT (which carries it in its loop) moves to version 1, the unchanged
        // PMT stays at 0, and the PAT (whose extension it is) is a new table at 0.
        win->prompter.fileNames.enqueue(path("out.mbn"));
        win->trigger("action_ExportToMUX");
        QVERIFY2(win->w->statusBar()->currentMessage().contains(QStringLiteral(" bytes written. NIT version 0 → 1; EIT present/following of service 1 ")), qPrintable(win->w->statusBar()->currentMessage()));
        MbnProgram again;
        QVERIFY(again.parse(readWholeFile(path("out.mbn"))));
        for (const auto &[slot, version] :
             {std::pair{Mbn::SlotPat, 0}, std::pair{Mbn::SlotNit, 1}, std::pair{Mbn::SlotFirstPmt, 0}}) {
            MbnSentSection sent;
            QString error;
            QVERIFY(again.routine(slot) && again.run(*again.routine(slot), &sent, &error));
            QCOMPARE((quint8(sent.section.at(5)) >> 1) & 0x1F, version); // version_number
        }
    }

    // Loading, saving or exporting fails or is refused: one warning, and the
    // window keeps its document, file, title and edits; no file changes.
    void fileCommandFails_data() { rowsFrom("documents/file-errors.txt", {"command", "document", "edit", "at", "title", "why"}); }
    void fileCommandFails()
    {
        const QString command = cell("command"), document = cell("document"), edit = cell("edit"),
                      at = cell("at"), title = cell("title"), why = cell("why");
        const QString file = copyOf(document);
        const bool loads = command == "Load" || command == "Import";
        load(file);
        const QString target = at == "the loaded file" ? file
            : path(at == "parent is a file" ? "plain/out" : "out") + (command == "ExportToMUX" ? ".mbn" : ".mux");
        if (at == "a link to the loaded file" || at == "a dangling link" || at == "a link loop")
            QVERIFY(QFile::link(at == "a dangling link" ? "missing" : at == "a link loop" ? target : file, target));
        else if (at == "parent is a file")
            QVERIFY(writeWholeFile(QFileInfo(target).absolutePath(), "a plain file\n"));
        else if (at == "directory")
            QVERIFY(QDir().mkpath(target));
        else if (at == "over 64 MiB") // sparse: refused before it is read
            QVERIFY(writeWholeFile(target, "transport-stream {\n") && QFile::resize(target, CfgReader::MaxFileSize + 1));
        else if (at.endsWith(".mux") || at.endsWith(".ts"))
            QVERIFY(writeWholeFile(target, testData("documents/" + at)));
        else if (at != "nothing" && at != "the loaded file")
            QVERIFY(writeWholeFile(target, QByteArray(30, 'p')));
        const QByteArray targetBefore = readWholeFile(target);
        const QStringList entriesBefore = dirEntries(dir->path());
        if (!loads)
            typeText(win->edit("netName"), "Not Saved");
        applyEdit(edit);
        const TransportStreamCfg before = win->doc();
        win->prompter.fileNames.enqueue(target);
        // Run in a child process, where the disk can be nearly full.
        QCOMPARE(exitCodeUnderFileSizeLimit(at.startsWith("disk full") ? 64 : RLIM_INFINITY, [&] {
            win->trigger(qPrintable("action_" + command));
            const QString info = win->prompter.messages.value(0).informativeText;
            return win->prompter.titles() == QStringList{title} && QRegularExpression(why).match(info).hasMatch()
                    && (!loads || win->doc() == before) && win->w->documentFileName() == file
                    && win->w->windowTitle() == titleFor(QFileInfo(file).fileName())
                    && win->w->hasUnsavedChanges() == !loads ? 0 : 1;
        }), 0);
        QCOMPARE(readWholeFile(file), testData(document));
        QCOMPARE(readWholeFile(target), targetBefore);
        QCOMPARE(dirEntries(dir->path()), entriesBefore); // no temporary file left behind
    }

    // A FIFO or a device chosen for Save, Save As or Export is written in
    // place, as a copy: the node stays, no suffix is added to a name that
    // exists, and the document keeps its name, unsaved state and recent
    // files. A FIFO without a reader fails at once instead of freezing.
    void writesInPlace_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("why");
        for (const char *command : {"Save", "SaveAs", "ExportToMUX"}) {
            QTest::addRow("%s, FIFO with a reader", command) << command << "fifo" << "";
            QTest::addRow("%s, FIFO without a reader", command) << command << "lonely fifo" << "no program is reading";
            QTest::addRow("%s, null device", command) << command << "null" << "";
            QTest::addRow("%s, full device", command) << command << "full" << "No space left on device";
        }
    }
    void writesInPlace()
    {
        QFETCH(QString, command);
        QFETCH(QString, node);
        QFETCH(QString, why);
        const QString target = path("node"), file = copyOf("example.mux");
        const QByteArray encoded = QFile::encodeName(target);
        if (node.endsWith("fifo"))
            QVERIFY(::mkfifo(encoded.constData(), 0600) == 0);
        else if (!makeDevice(target, node == "null" ? 3 : 7))
            QSKIP("character devices cannot be made or opened here");
        const int reader = node == "fifo" ? ::open(encoded.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
        if (command != "Save") // Save asks for a name only for an untitled document
            load(file);
        typeText(win->edit("netName"), "Edited Net");
        const QString title = win->w->windowTitle();
        const QStringList recent = win->w->currentSettings().recentFiles, entries = dirEntries(dir->path());
        win->prompter.fileNames.enqueue(target);
        win->trigger(qPrintable("action_" + command));

        QCOMPARE(win->prompter.titles(), why.isEmpty() ? QStringList() : QStringList{"Write Error"});
        QVERIFY(win->prompter.messages.value(0).informativeText.contains(why));
        QCOMPARE(win->w->documentFileName(), command == "Save" ? QString() : file);
        QCOMPARE(win->w->windowTitle(), title);
        QVERIFY(win->w->hasUnsavedChanges());
        QCOMPARE(win->w->currentSettings().recentFiles, recent);
        QCOMPARE(dirEntries(dir->path()), entries); // no node.mux or node.mbn beside it
        struct stat st = {};
        QVERIFY(::lstat(encoded.constData(), &st) == 0 && (node.endsWith("fifo") ? S_ISFIFO(st.st_mode) : S_ISCHR(st.st_mode)));
        if (reader < 0)
            return;
        QByteArray got(1 << 16, '\0');
        got.resize(qMax<ssize_t>(0, ::read(reader, got.data(), size_t(got.size()))));
        ::close(reader);
        PsiVmProgram program;
        QVERIFY(command != "ExportToMUX" || program.buildProgram(win->doc()));
        COMPARE_BYTES(got, command == "ExportToMUX" ? program.program() : CfgWriter::toText(win->doc()));
    }

    void prompt_data() { rowsFrom("documents/prompts.txt", {"command", "edit", "answer", "nameGiven", "proceeds", "invalidField"}); }
    void prompt()
    {
        const QString command = cell("command"), edit = cell("edit"), answer = cell("answer"),
                      nameGiven = cell("nameGiven"), proceeds = cell("proceeds"), invalidField = cell("invalidField");
        const TransportStreamCfg start = readCfg(QStringLiteral(VELUNOR_TEST_DATA "/example.mux"));
        win->w->setDocument(start);
        applyEdit(edit);
        ScriptedPrompter &prompter = win->prompter;
        const QString out = path("saved.mux");
        const bool saveAsked = answer == "Yes" && invalidField.isEmpty(), goesOn = proceeds == "yes";
        if (saveAsked)
            prompter.fileNames.enqueue(nameGiven == "yes" ? out : QString());
        if (command == "Load" || command == "Import")
            prompter.fileNames.enqueue(copyOf(command == "Load" ? "documents/other.mux" : "documents/other.mbn"));
        if (answer != "-")
            prompter.answers.enqueue(answer == "Yes" ? QMessageBox::Yes : answer == "No" ? QMessageBox::No : QMessageBox::Cancel);
        const bool closed = command == "Close" ? win->w->close() : (win->trigger(qPrintable("action_" + command)), false);

        QCOMPARE(prompter.titles(), QStringList({"Unsaved Changes", "Invalid Value"}).mid(0, edit == "none" ? 0 : invalidField.isEmpty() ? 1 : 2));
        QVERIFY2(prompter.messages.value(1).text.contains(invalidField), qPrintable(prompter.messages.value(1).text));
        QCOMPARE(prompter.fileRequests.size(), int(saveAsked) + int((command == "Load" || command == "Import") && goesOn));
        QCOMPARE(QFile::exists(out), saveAsked && nameGiven == "yes");
        if (QFile::exists(out))
            COMPARE_BYTES(readWholeFile(out), testData("documents/saved-" + edit + ".mux"));
        if (command == "Close") {
            QCOMPARE(closed, goesOn);
        } else if (goesOn) {
            QCOMPARE(win->doc().id, command == "New" ? 0 : 77);
            QCOMPARE(win->w->windowTitle(), titleFor(command == "Load" ? "other.mux" : ""));
            // Edits answered with No are gone; an import opens as an untitled, changed document.
            QCOMPARE(win->w->hasUnsavedChanges(), command == "Import");
        }
        if (!goesOn) {
            // The edit is still there, on the page or committed.
            QVERIFY(win->w->hasUnsavedChanges());
            QVERIFY(edit != "stream" || win->edit("tsID")->text() == "0x22");
            QVERIFY(edit != "service" || win->edit("serviceName")->text() == "Edited Name");
            QCOMPARE(win->doc().filters.size(), start.filters.size() - (edit == "list"));
        }
    }

    // What an import could not hold is listed in the details of one box.
    void importShowsWarnings()
    {
        win->prompter.fileNames.enqueue(QStringLiteral(VELUNOR_TEST_DATA "/import/two-programs.ts"));
        win->trigger("action_Import");
        QCOMPARE(win->prompter.titles(), QStringList{"Import Warnings"});
        QCOMPARE(win->prompter.messages.value(0).detailedText + '\n',
                 QString::fromUtf8(testData("import/two-programs.out")).remove("two-programs.ts: warning: "));
        QCOMPARE(win->doc().services.size(), 2);
        QVERIFY(win->w->hasUnsavedChanges());
    }
};

QTEST_MAIN(TestDocuments)
#include "test_documents.moc"
