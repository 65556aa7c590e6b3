// End-to-end tests of the document commands: the window is driven through its
// actions and widgets as an operator drives it, message boxes and file dialogs
// are answered by the ScriptedPrompter, real dialogs by a ModalHandler.

#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>

#include <csignal>
#include <memory>
#include <sys/resource.h>

#include "app/velunor.h"
#include "buildinfo.h"
#include "config/cfgreader.h"
#include "config/cfgwriter.h"
#include "psi/exportcheck.h"
#include "psi/psivmprogram.h"
#include "tests/app/pagedriver.h"
#include "tests/common/scriptedprompter.h"
#include "tests/config/bytecompare.h"

namespace {

const QString dataDir = QStringLiteral(VELUNOR_TEST_DATA);
const QString muxFilter = QStringLiteral("MUX Configurations (*.mux)");
const QString mbnFilter = QStringLiteral("MUX Binary (*.mbn)");
const QString noFileTitle = QStringLiteral("Velunor V0.5");

QString titleFor(const QString &name)
{
    return name + QStringLiteral(" - Velunor V0.5");
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

TransportStreamCfg readCfg(const QString &path)
{
    CfgReader reader;
    TransportStreamCfg cfg;
    if (!reader.open(path) || !reader.parse(&cfg))
        qFatal("cannot read %s: %s", qPrintable(path), qPrintable(reader.errorString()));
    return cfg;
}

QByteArray programFor(const TransportStreamCfg &cfg)
{
    PsiVmProgram program;
    program.setDumpEnabled(false);
    if (!program.buildProgram(cfg))
        qFatal("reference program could not be built");
    return program.program();
}

void trigger(QWidget *window, const char *action)
{
    widget<QAction>(window, action)->trigger();
}

// Two services and a drop rule: enough for every prompt to have something
// to commit on each page.
TransportStreamCfg promptDocument()
{
    TransportStreamCfg cfg;
    cfg.id = 5;
    cfg.netName = QStringLiteral("Prompt Net");
    FilterCfg drop;
    drop.a = 100;
    drop.b = 200;
    drop.action = ActionDrop;
    cfg.filters << drop;
    ServiceCfg alpha;
    alpha.id = 10;
    alpha.serviceName = QStringLiteral("Alpha");
    alpha.pmtPid = 1000;
    alpha.pcrPid = 1001;
    ESCfg video;
    video.pid = 1001;
    alpha.elements << video;
    ServiceCfg beta = alpha;
    beta.id = 11;
    beta.serviceName = QStringLiteral("Beta");
    beta.pmtPid = 1010;
    cfg.services << alpha << beta;
    return cfg;
}

// RLIMIT_FSIZE makes every write beyond `bytes` fail with EFBIG, also for
// root: the way to have opening succeed and writing fail in any sandbox.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }
    bool active = false;

private:
    rlimit saved{};
    void (*previousHandler)(int) = SIG_DFL;
};

enum Edit { NoEdit, StreamEdit, ServiceEdit, ListEdit, BadStreamField, BadServiceField, BothBad };
enum Failure { ParentIsFile, DirectoryAtTarget, WriteFails };

} // namespace

class TestDocuments : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void freshWindow();
    void loadOpensFirstService();
    void loadFileWithoutServices();
    void loadFailureLeavesDocument_data();
    void loadFailureLeavesDocument();
    void editAllPagesSaveReload();
    void saveWithoutFileAsksAndAdopts();
    void saveAsThenSaveWritesToNewTarget();
    void saveFailureLeavesFile_data();
    void saveFailureLeavesFile();
    void newResetsDocument();
    void prompt_data();
    void prompt();
    void promptCommitOrder_data();
    void promptCommitOrder();
    void exportMatchesProgram_data();
    void exportMatchesProgram();
    void exportMatchesGolden_data();
    void exportMatchesGolden();
    void exportWithInvalidFieldTouchesNoFile_data();
    void exportWithInvalidFieldTouchesNoFile();
    void exportRefused_data();
    void exportRefused();
    void exportFailureLeavesFile_data();
    void exportFailureLeavesFile();
    void settingsPersistAndRerender();
    void versionDialog();

private:
    QString path(const QString &name) const { return dir->filePath(name); }
    // A private copy of a golden file, so that Save never writes into tests/data.
    QString copyOf(const QString &golden);
    void load(const QString &file);
    void applyEdit(int edit);
    void makeTarget(int failure, const QString &target);

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScriptedPrompter> prompter;
    std::unique_ptr<Velunor> window;
};

void TestDocuments::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestDocuments::init()
{
    // This test runs from a directory of its own, so the notation file beside
    // the executable is private to it; every case starts in decimal.
    removeNotation();
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    prompter = std::make_unique<ScriptedPrompter>();
    window = std::make_unique<Velunor>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestDocuments::cleanup()
{
    window.reset();
    prompter.reset();
    dir.reset();
    removeNotation();
}

QString TestDocuments::copyOf(const QString &golden)
{
    const QString target = path(golden);
    QFile::remove(target);
    if (!QFile::copy(dataDir + QLatin1Char('/') + golden, target))
        qFatal("cannot copy %s", qPrintable(golden));
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

void TestDocuments::load(const QString &file)
{
    prompter->fileNames.enqueue(file);
    trigger(window.get(), "action_Load");
}

void TestDocuments::applyEdit(int edit)
{
    auto *tabs = widget<QTabWidget>(window.get(), "tabWidget");
    switch (edit) {
    case StreamEdit:
        tabs->setCurrentIndex(0);
        typeText(widget<QLineEdit>(window.get(), "tsID"), QStringLiteral("0x22"));
        break;
    case ServiceEdit:
        tabs->setCurrentIndex(2);
        typeText(widget<QLineEdit>(window.get(), "serviceName"), QStringLiteral("Edited Name"));
        break;
    case ListEdit: {
        // Removing a rule changes `config` at once; nothing is left uncommitted.
        tabs->setCurrentIndex(1);
        clickRow(widget<QListWidget>(window.get(), "filters"), 0);
        prompter->answers.enqueue(QMessageBox::Yes);
        QTest::mouseClick(widget<QPushButton>(window.get(), "removeFilter"), Qt::LeftButton);
        prompter->messages.clear();
        break;
    }
    case BadStreamField:
        tabs->setCurrentIndex(0);
        typeText(widget<QLineEdit>(window.get(), "tsID"), QStringLiteral("70000"));
        break;
    case BadServiceField:
        tabs->setCurrentIndex(2);
        typeText(widget<QLineEdit>(window.get(), "pmtPID"), QStringLiteral("9000"));
        break;
    case BothBad:
        applyEdit(BadServiceField);
        applyEdit(BadStreamField);
        break;
    default:
        break;
    }
}

void TestDocuments::makeTarget(int failure, const QString &target)
{
    switch (failure) {
    case ParentIsFile:
        // target is <dir>/plain/<name> with plain a regular file
        writeBytes(QFileInfo(target).absolutePath(), "a plain file\n");
        break;
    case DirectoryAtTarget:
        QVERIFY(QDir().mkpath(target));
        break;
    case WriteFails:
        writeBytes(target, "the previous contents\n");
        break;
    }
}

void TestDocuments::freshWindow()
{
    QCOMPARE(window->windowTitle(), noFileTitle);
    QCOMPARE(window->document(), TransportStreamCfg());
    QVERIFY(!window->isChanged());
    QVERIFY(window->close());
    QVERIFY(prompter->messages.isEmpty());
}

void TestDocuments::loadOpensFirstService()
{
    const QString file = copyOf(QStringLiteral("example.mux"));
    widget<QTabWidget>(window.get(), "tabWidget")->setCurrentIndex(1);
    load(file);

    QVERIFY2(prompter->messages.isEmpty(), qPrintable(prompter->titles().join(u',')));
    QCOMPARE(prompter->fileRequests.size(), 1);
    QVERIFY(!prompter->fileRequests[0].save);
    QCOMPARE(prompter->fileRequests[0].caption, QStringLiteral("Load Configuration"));
    QCOMPARE(prompter->fileRequests[0].dir, QString());
    QCOMPARE(prompter->fileRequests[0].filter, muxFilter);

    QCOMPARE(window->document(), readCfg(file));
    QCOMPARE(window->documentFileName(), file);
    QCOMPARE(window->windowTitle(), titleFor(QStringLiteral("example.mux")));
    QVERIFY(!window->isChanged());
    QVERIFY(!window->hasUnsavedChanges());
    // The page stays where the operator was.
    QCOMPARE(widget<QTabWidget>(window.get(), "tabWidget")->currentIndex(), 1);
    QCOMPARE(widget<QLineEdit>(window.get(), "serviceName")->text(), QStringLiteral("News 24"));
    QVERIFY(widget<QLineEdit>(window.get(), "serviceName")->isEnabled());
    QCOMPARE(widget<QLineEdit>(window.get(), "netName")->text(), QStringLiteral("Example Net"));

    // Nothing was edited, so closing asks nothing.
    QVERIFY(window->close());
    QVERIFY(prompter->messages.isEmpty());
}

void TestDocuments::loadFileWithoutServices()
{
    load(copyOf(QStringLiteral("example.mux")));
    const QString empty = copyOf(QStringLiteral("default.mux"));
    load(empty);
    QVERIFY(prompter->messages.isEmpty());
    QCOMPARE(window->document(), TransportStreamCfg());
    QCOMPARE(window->windowTitle(), titleFor(QStringLiteral("default.mux")));
    auto *services = widget<QListWidget>(window.get(), "services");
    QCOMPARE(services->count(), 0);
    QCOMPARE(services->currentRow(), -1);
    QCOMPARE(widget<QListWidget>(window.get(), "filters")->count(), 0);
    QVERIFY(!widget<QLineEdit>(window.get(), "serviceName")->isEnabled());
    QVERIFY(widget<QLineEdit>(window.get(), "serviceName")->text().isEmpty());
}

void TestDocuments::loadFailureLeavesDocument_data()
{
    QTest::addColumn<QString>("kind"); // "missing", "directory" or "file"
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("where"); // regular expression for the informative text

    const QString read = QStringLiteral("Read Error");
    const QString readText = QStringLiteral("Your configuration could not be read.");
    const QString parse = QStringLiteral("Parse Error");
    const QString parseText = QStringLiteral("Your configuration could not be parsed.");

    QTest::newRow("missing file") << "missing" << QByteArray() << read << readText << ".+";
    QTest::newRow("directory") << "directory" << QByteArray() << read << readText << "directory";
    QTest::newRow("empty file") << "file" << QByteArray() << parse << parseText
                                << "^Line 1, column 1: .*empty";
    QTest::newRow("unknown key on line 3")
        << "file" << QByteArray("transport-stream {\n\tid = 1;\n\tfoo = 2;\n}\n") << parse
        << parseText << "^Line 3, column 2: .*'foo'.*'transport-stream'";
    QTest::newRow("number out of range")
        << "file" << QByteArray("transport-stream {\n\tpat-time = 501;\n}\n") << parse << parseText
        << "^Line 2, column 13: .*501.*pat-time";
    QTest::newRow("service block at the top level")
        << "file" << QByteArray("service {\n}\n") << parse << parseText << "^Line 1, column 1: .*service";
    QTest::newRow("file ends inside a block")
        << "file" << QByteArray("transport-stream {\n\tid = 1;\n") << parse << parseText
        << "^Line 3, column 1: .*transport-stream";
    QTest::newRow("unterminated quote")
        << "file" << QByteArray("transport-stream {\n\tnet-name = 'open\n}\n") << parse << parseText
        << "^Line 2, column 13: .*quoted";
}

void TestDocuments::loadFailureLeavesDocument()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, where);

    const QString good = copyOf(QStringLiteral("example.mux"));
    load(good);
    const TransportStreamCfg before = window->document();
    const QString titleBefore = window->windowTitle();
    const QByteArray goodBytes = fileBytes(good);
    prompter->messages.clear();

    const QString bad = path(QStringLiteral("bad.mux"));
    if (kind == QLatin1String("directory"))
        QVERIFY(QDir().mkpath(bad));
    else if (kind == QLatin1String("file"))
        writeBytes(bad, content);
    load(bad);

    QCOMPARE(prompter->messages.size(), 1);
    const Prompter::Message &m = prompter->messages.first();
    QCOMPARE(m.icon, QMessageBox::Warning);
    QCOMPARE(m.title, title);
    QCOMPARE(m.text, text);
    QCOMPARE(m.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY2(QRegularExpression(where).match(m.informativeText).hasMatch(),
             qPrintable(m.informativeText));

    QCOMPARE(window->document(), before);
    QCOMPARE(window->windowTitle(), titleBefore);
    QCOMPARE(window->documentFileName(), good);
    QVERIFY(!window->isChanged());
    QCOMPARE(widget<QLineEdit>(window.get(), "serviceName")->text(), QStringLiteral("News 24"));
    QCOMPARE(fileBytes(good), goodBytes);
}

void TestDocuments::editAllPagesSaveReload()
{
    const QString file = copyOf(QStringLiteral("example.mux"));
    load(file);
    QWidget *w = window.get();
    auto *tabs = widget<QTabWidget>(w, "tabWidget");

    TransportStreamCfg expected = readCfg(file);

    // Stream page.
    tabs->setCurrentIndex(0);
    typeText(widget<QLineEdit>(w, "tsID"), QStringLiteral("0x0101"));
    expected.id = 257;
    typeText(widget<QLineEdit>(w, "netName"), QStringLiteral("  Edited Net  "));
    expected.netName = QStringLiteral("Edited Net");
    pressSpace(widget<QCheckBox>(w, "sdtEnabled"));
    expected.sdtEnabled = false;
    pressSpace(widget<QGroupBox>(w, "featPOT"));
    expected.playoutTimings = true;
    typeText(widget<QSpinBox>(w, "PATime"), 100);
    expected.patTime = 100;
    pressSpace(widget<QRadioButton>(w, "featRealTDT"));
    expected.realTdt = true;

    // PID filter page: the default action waits for the stream page's commit,
    // the new rule reaches the document at once.
    tabs->setCurrentIndex(1);
    chooseIndex(widget<QComboBox>(w, "filterDefault"), 0);
    expected.filterDefault = ActionDrop;
    {
        ModalHandler remap([](QDialog *dlg) {
            chooseIndex(widget<QComboBox>(dlg, "input"), 2);
            typeText(widget<QLineEdit>(dlg, "oldPID"), QStringLiteral("0x100"));
            typeText(widget<QLineEdit>(dlg, "newPID"), QStringLiteral("0x200"));
            clickButton(dlg, QDialogButtonBox::Ok);
        });
        QTest::mouseClick(widget<QPushButton>(w, "addRemap"), Qt::LeftButton);
        QVERIFY(remap.ran);
    }
    FilterCfg remap;
    remap.input = 2;
    remap.a = 256;
    remap.b = 256;
    remap.action = ActionRemap;
    remap.newBase = 512;
    expected.filters << remap;

    // Services page, with an elementary PID added through its dialog.
    tabs->setCurrentIndex(2);
    typeText(widget<QLineEdit>(w, "serviceName"), QStringLiteral("Edited Service"));
    typeText(widget<QLineEdit>(w, "pmtPID"), QStringLiteral("0x1100"));
    typeText(widget<QLineEdit>(w, "lcNumber"), QStringLiteral("7"));
    pressSpace(widget<QGroupBox>(w, "caEnabled"));
    ServiceCfg &service = expected.services[0];
    service.serviceName = QStringLiteral("Edited Service");
    service.pmtPid = 0x1100;
    service.lcNumber = 7;
    service.caEnabled = false;
    // Without a ca block the file keeps neither CA id nor ECM PID.
    service.caId = 0;
    service.ecmPid = 0;
    {
        ModalHandler es([](QDialog *dlg) {
            chooseIndex(widget<QComboBox>(dlg, "type"), 3); // Teletext
            typeText(widget<QLineEdit>(dlg, "language"), QStringLiteral(" deu "));
            typeText(widget<QLineEdit>(dlg, "pid"), QStringLiteral("0x300"));
            clickButton(dlg, QDialogButtonBox::Ok);
        });
        QTest::mouseClick(widget<QPushButton>(w, "addES"), Qt::LeftButton);
        QVERIFY(es.ran);
    }
    ESCfg teletext;
    teletext.type = EsTeletext;
    teletext.pid = 0x300;
    teletext.language = QStringLiteral("deu");
    service.elements << teletext;

    QVERIFY(window->hasUnsavedChanges());
    trigger(w, "action_Save");
    QVERIFY2(prompter->messages.isEmpty(), qPrintable(prompter->titles().join(u',')));
    QCOMPARE(prompter->fileRequests.size(), 1); // only the Load: Save knows its file
    QVERIFY(!window->isChanged());
    QVERIFY(!window->hasUnsavedChanges());
    QCOMPARE(window->windowTitle(), titleFor(QStringLiteral("example.mux")));

    COMPARE_BYTES(fileBytes(file), fileBytes(dataDir + QStringLiteral("/example-edited.mux")));

    // A second window reads back exactly what was typed.
    Velunor second;
    prompter->fileNames.enqueue(file);
    trigger(&second, "action_Load");
    QCOMPARE(second.document(), expected);
}

void TestDocuments::saveWithoutFileAsksAndAdopts()
{
    window->setDocument(promptDocument());

    // Cancelled: nothing written, still no file.
    trigger(window.get(), "action_Save");
    QCOMPARE(prompter->fileRequests.size(), 1);
    const ScriptedPrompter::FileRequest request = prompter->fileRequests.first();
    QVERIFY(request.save);
    QCOMPARE(request.caption, QStringLiteral("Save Configuration"));
    QCOMPARE(request.dir, QString());
    QCOMPARE(request.filter, muxFilter);
    QCOMPARE(window->windowTitle(), noFileTitle);
    QVERIFY(window->documentFileName().isEmpty());

    const QString target = path(QStringLiteral("named.mux"));
    prompter->fileNames.enqueue(target);
    applyEdit(StreamEdit);
    trigger(window.get(), "action_Save");
    QCOMPARE(prompter->fileRequests.size(), 2);
    QVERIFY(prompter->messages.isEmpty());
    QCOMPARE(int(readCfg(target).id), 0x22);
    QCOMPARE(window->documentFileName(), target);
    QCOMPARE(window->windowTitle(), titleFor(QStringLiteral("named.mux")));
    QVERIFY(!window->isChanged());

    // From now on Save writes there without asking.
    applyEdit(ServiceEdit);
    trigger(window.get(), "action_Save");
    QCOMPARE(prompter->fileRequests.size(), 2);
    QCOMPARE(readCfg(target).services.first().serviceName, QStringLiteral("Edited Name"));
    QCOMPARE(fileBytes(target), CfgWriter::toText(window->document()));
}

void TestDocuments::saveAsThenSaveWritesToNewTarget()
{
    const QString original = copyOf(QStringLiteral("example.mux"));
    load(original);
    const QByteArray originalBytes = fileBytes(original);

    const QString target = path(QStringLiteral("other.mux"));
    prompter->fileNames.enqueue(target);
    trigger(window.get(), "action_SaveAs");
    QCOMPARE(prompter->fileRequests.size(), 2);
    const ScriptedPrompter::FileRequest request = prompter->fileRequests.last();
    QVERIFY(request.save);
    QCOMPARE(request.caption, QStringLiteral("Save Configuration"));
    QCOMPARE(request.dir, original); // the current file is preselected
    QCOMPARE(request.filter, muxFilter);
    QCOMPARE(fileBytes(target), originalBytes); // the canonical layout round-trips
    QCOMPARE(window->documentFileName(), target);
    QCOMPARE(window->windowTitle(), titleFor(QStringLiteral("other.mux")));

    applyEdit(StreamEdit);
    trigger(window.get(), "action_Save");
    QCOMPARE(prompter->fileRequests.size(), 2);
    QVERIFY(prompter->messages.isEmpty());
    QCOMPARE(int(readCfg(target).id), 0x22);
    QCOMPARE(fileBytes(original), originalBytes);

    // A cancelled Save As changes nothing.
    trigger(window.get(), "action_SaveAs");
    QCOMPARE(prompter->fileRequests.size(), 3);
    QCOMPARE(prompter->fileRequests.last().dir, target);
    QCOMPARE(window->documentFileName(), target);
}

void TestDocuments::saveFailureLeavesFile_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("target");
    QTest::newRow("parent directory is a regular file") << int(ParentIsFile) << "plain/out.mux";
    QTest::newRow("a directory stands at the target") << int(DirectoryAtTarget) << "out.mux";
    QTest::newRow("writing fails after opening") << int(WriteFails) << "out.mux";
}

void TestDocuments::saveFailureLeavesFile()
{
    QFETCH(int, failure);
    QFETCH(QString, target);

    const QString file = copyOf(QStringLiteral("example.mux"));
    load(file);
    const QByteArray fileBefore = fileBytes(file);
    target = path(target);
    makeTarget(failure, target);
    const QByteArray targetBefore = fileBytes(target);

    typeText(widget<QLineEdit>(window.get(), "netName"), QStringLiteral("Not Saved"));
    prompter->fileNames.enqueue(target);
    {
        std::unique_ptr<FileSizeLimit> limit;
        if (failure == WriteFails) {
            limit = std::make_unique<FileSizeLimit>(64);
            QVERIFY(limit->active);
        }
        trigger(window.get(), "action_SaveAs");
    }

    QCOMPARE(prompter->titles(), QStringList{QStringLiteral("Write Error")});
    QCOMPARE(prompter->messages.first().text, QStringLiteral("Your configuration could not be saved."));
    QCOMPARE(prompter->messages.first().icon, QMessageBox::Warning);
    QVERIFY(window->isChanged());
    QCOMPARE(window->documentFileName(), file);
    QCOMPARE(window->windowTitle(), titleFor(QStringLiteral("example.mux")));
    QCOMPARE(fileBytes(file), fileBefore);
    QCOMPARE(fileBytes(target), targetBefore);
    if (failure == DirectoryAtTarget)
        QVERIFY(QFileInfo(target).isDir());
    // No temporary file is left behind beside the target.
    const QStringList left = QDir(dir->path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : left)
        QVERIFY2(!name.startsWith(QStringLiteral("out.mux.")), qPrintable(name));
}

void TestDocuments::newResetsDocument()
{
    load(copyOf(QStringLiteral("example.mux")));
    widget<QTabWidget>(window.get(), "tabWidget")->setCurrentIndex(2);
    trigger(window.get(), "action_New");

    QVERIFY(prompter->messages.isEmpty());
    QCOMPARE(window->document(), TransportStreamCfg());
    QVERIFY(window->documentFileName().isEmpty());
    QCOMPARE(window->windowTitle(), noFileTitle);
    QVERIFY(!window->isChanged());
    QCOMPARE(widget<QTabWidget>(window.get(), "tabWidget")->currentIndex(), 0);
    QCOMPARE(widget<QListWidget>(window.get(), "services")->count(), 0);
    QCOMPARE(widget<QListWidget>(window.get(), "filters")->count(), 0);
    QCOMPARE(widget<QListWidget>(window.get(), "elements")->count(), 0);
    QVERIFY(!widget<QLineEdit>(window.get(), "serviceName")->isEnabled());
    QCOMPARE(widget<QLineEdit>(window.get(), "netName")->text(), QString());
    QCOMPARE(widget<QLineEdit>(window.get(), "tsID")->text(), QStringLiteral("0"));
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
    for (const char *cmd : {"New", "Load", "Close"}) {
        const QString c = QString::fromLatin1(cmd);
        auto row = [&](const char *what) {
            return &QTest::newRow(qPrintable(c + QStringLiteral(": ") + QLatin1String(what)));
        };
        *row("nothing to save asks nothing") << c << int(NoEdit) << 0 << false << true << QString();
        *row("stream edit, Yes saves first") << c << int(StreamEdit) << yes << true << true << QString();
        *row("service edit, Yes saves first") << c << int(ServiceEdit) << yes << true << true << QString();
        *row("list edit, Yes saves first") << c << int(ListEdit) << yes << true << true << QString();
        *row("stream edit, No drops it") << c << int(StreamEdit) << no << false << true << QString();
        *row("service edit, No drops it") << c << int(ServiceEdit) << no << false << true << QString();
        *row("list edit, No drops it") << c << int(ListEdit) << no << false << true << QString();
        *row("stream edit, Cancel keeps it") << c << int(StreamEdit) << cancel << false << false << QString();
        *row("service edit, Cancel keeps it") << c << int(ServiceEdit) << cancel << false << false << QString();
        *row("list edit, Cancel keeps it") << c << int(ListEdit) << cancel << false << false << QString();
        *row("Yes, save dialog cancelled") << c << int(ServiceEdit) << yes << false << false << QString();
        *row("Yes with an invalid stream field")
            << c << int(BadStreamField) << yes << false << false << QStringLiteral("Transport Stream ID");
        *row("Yes with an invalid service field")
            << c << int(BadServiceField) << yes << false << false << QStringLiteral("PMT PID");
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

    const bool closing = command == QLatin1String("Close");
    const TransportStreamCfg start = promptDocument();
    window->setDocument(start);
    applyEdit(edit);
    QVERIFY(prompter->messages.isEmpty());

    const QString out = path(QStringLiteral("saved.mux"));
    const QString other = path(QStringLiteral("other.mux"));
    writeBytes(other, "transport-stream {\n\tid = 77;\n}\n");

    const bool valid = invalidField.isEmpty();
    const bool saveAsked = answer == QMessageBox::Yes && valid;
    if (saveAsked)
        prompter->fileNames.enqueue(nameGiven ? out : QString());
    if (command == QLatin1String("Load"))
        prompter->fileNames.enqueue(other);
    if (answer)
        prompter->answers.enqueue(QMessageBox::StandardButton(answer));

    bool closed = false;
    if (closing)
        closed = window->close();
    else
        trigger(window.get(), command == QLatin1String("New") ? "action_New" : "action_Load");

    // What was asked.
    QStringList expectedTitles;
    if (edit != NoEdit)
        expectedTitles << QStringLiteral("Unsaved Changes");
    if (!valid)
        expectedTitles << QStringLiteral("Invalid Value");
    QCOMPARE(prompter->titles(), expectedTitles);
    if (edit != NoEdit) {
        const Prompter::Message &q = prompter->messages.first();
        QCOMPARE(q.icon, QMessageBox::Question);
        QCOMPARE(q.text, closing ? QStringLiteral("The configuration was changed.\n"
                                                  "Do you want to save the changes?")
                                 : QStringLiteral("This service has uncommitted changes.\n"
                                                  "Do you want to save them?"));
        QCOMPARE(q.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(q.defaultButton, QMessageBox::Yes);
    }
    if (!valid)
        QVERIFY2(prompter->messages.last().text.contains(invalidField),
                 qPrintable(prompter->messages.last().text));

    QStringList expectedCaptions;
    if (saveAsked)
        expectedCaptions << QStringLiteral("Save Configuration");
    if (command == QLatin1String("Load") && proceeds)
        expectedCaptions << QStringLiteral("Load Configuration");
    QStringList captions;
    for (const ScriptedPrompter::FileRequest &r : prompter->fileRequests)
        captions << r.caption;
    QCOMPARE(captions, expectedCaptions);

    // What was written.
    const bool saved = saveAsked && nameGiven;
    QCOMPARE(QFile::exists(out), saved);
    if (saved) {
        const TransportStreamCfg written = readCfg(out);
        if (edit == StreamEdit)
            QCOMPARE(int(written.id), 0x22);
        if (edit == ServiceEdit)
            QCOMPARE(written.services.first().serviceName, QStringLiteral("Edited Name"));
        if (edit == ListEdit)
            QVERIFY(written.filters.isEmpty());
        QCOMPARE(written.services.size(), start.services.size());
    }

    // What became of the document.
    if (closing) {
        QCOMPARE(closed, proceeds);
        QCOMPARE(window->isVisible(), !proceeds);
    } else if (proceeds) {
        if (command == QLatin1String("New")) {
            QCOMPARE(window->document(), TransportStreamCfg());
            QVERIFY(window->documentFileName().isEmpty());
        } else {
            QCOMPARE(int(window->document().id), 77);
            QCOMPARE(window->documentFileName(), other);
        }
        QVERIFY(!window->isChanged());
        // Edits answered with No are gone: closing now asks nothing.
        const qsizetype asked = prompter->messages.size();
        QVERIFY(window->close());
        QCOMPARE(prompter->messages.size(), asked);
    } else {
        QCOMPARE(window->document().services.size(), start.services.size());
        QVERIFY(window->documentFileName().isEmpty());
        QCOMPARE(window->windowTitle(), noFileTitle);
        QVERIFY(window->hasUnsavedChanges());
    }

    if (!proceeds) {
        // The edit is still there, on the page or committed.
        if (edit == StreamEdit)
            QCOMPARE(widget<QLineEdit>(window.get(), "tsID")->text(), QStringLiteral("0x22"));
        if (edit == ServiceEdit)
            QCOMPARE(widget<QLineEdit>(window.get(), "serviceName")->text(),
                     QStringLiteral("Edited Name"));
        if (edit == ListEdit)
            QVERIFY(window->document().filters.isEmpty());
        if (edit == ServiceEdit && answer == QMessageBox::Cancel && !closing)
            QCOMPARE(widget<QListWidget>(window.get(), "services")->currentRow(), 0);
    }
}

void TestDocuments::promptCommitOrder_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("firstWarning");
    // New and Load commit the service first, closing the stream page first.
    QTest::newRow("New") << "New" << "PMT PID";
    QTest::newRow("Load") << "Load" << "PMT PID";
    QTest::newRow("Close") << "Close" << "Transport Stream ID";
}

void TestDocuments::promptCommitOrder()
{
    QFETCH(QString, command);
    QFETCH(QString, firstWarning);

    window->setDocument(promptDocument());
    applyEdit(BothBad);
    prompter->answers.enqueue(QMessageBox::Yes);
    if (command == QLatin1String("Close"))
        QVERIFY(!window->close());
    else
        trigger(window.get(), command == QLatin1String("New") ? "action_New" : "action_Load");

    QCOMPARE(prompter->titles(),
             (QStringList{QStringLiteral("Unsaved Changes"), QStringLiteral("Invalid Value")}));
    QVERIFY2(prompter->messages.last().text.contains(firstWarning),
             qPrintable(prompter->messages.last().text));
    QVERIFY(prompter->fileRequests.isEmpty());
    QCOMPARE(window->document(), promptDocument());
}

void TestDocuments::exportMatchesProgram_data()
{
    QTest::addColumn<bool>("edited");
    QTest::newRow("as loaded") << false;
    QTest::newRow("with an uncommitted stream edit") << true;
}

void TestDocuments::exportMatchesProgram()
{
    QFETCH(bool, edited);
    const QString file = copyOf(QStringLiteral("example.mux"));
    load(file);
    if (edited)
        typeText(widget<QLineEdit>(window.get(), "netName"), QStringLiteral("Exported Net"));

    const QString target = path(QStringLiteral("out.mbn"));
    prompter->fileNames.enqueue(target);
    trigger(window.get(), "action_ExportToMUX");

    QVERIFY2(prompter->messages.isEmpty(), qPrintable(prompter->titles().join(u',')));
    const ScriptedPrompter::FileRequest request = prompter->fileRequests.last();
    QVERIFY(request.save);
    QCOMPARE(request.caption, QStringLiteral("Export to MUX"));
    QCOMPARE(request.dir, QString());
    QCOMPARE(request.filter, mbnFilter);

    TransportStreamCfg exported = readCfg(file);
    if (edited)
        exported.netName = QStringLiteral("Exported Net");
    QCOMPARE(window->document(), exported);
    COMPARE_BYTES(fileBytes(target), programFor(exported));

    // An export is not a save: the commit marked the document changed and
    // it stays so; the configuration file is not touched.
    QCOMPARE(window->isChanged(), edited);
    QCOMPARE(fileBytes(file), fileBytes(dataDir + QStringLiteral("/example.mux")));
}

void TestDocuments::exportMatchesGolden_data()
{
    QTest::addColumn<QString>("name");
    const QDir psi(dataDir + QStringLiteral("/psi"));
    const QStringList sources = psi.entryList({QStringLiteral("*.mux")}, QDir::Files, QDir::Name);
    for (const QString &mux : sources) {
        const QString base = mux.chopped(4);
        if (psi.exists(base + QStringLiteral(".mbn")))
            QTest::newRow(qPrintable(base)) << base;
    }
    if (sources.isEmpty())
        QSKIP("no golden MUX binaries in tests/data/psi");
}

void TestDocuments::exportMatchesGolden()
{
    QFETCH(QString, name);
    const QString golden = dataDir + QStringLiteral("/psi/") + name;
    load(golden + QStringLiteral(".mux"));
    QVERIFY2(prompter->messages.isEmpty(), qPrintable(prompter->titles().join(u',')));

    const QString target = path(name + QStringLiteral(".mbn"));
    prompter->fileNames.enqueue(target);
    trigger(window.get(), "action_ExportToMUX");
    QVERIFY2(prompter->messages.isEmpty(), qPrintable(prompter->titles().join(u',')));
    COMPARE_BYTES(fileBytes(target), fileBytes(golden + QStringLiteral(".mbn")));
    QVERIFY(!window->isChanged());
}

void TestDocuments::exportWithInvalidFieldTouchesNoFile_data()
{
    QTest::addColumn<int>("edit");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QString>("field");
    QTest::newRow("service field, new file") << int(BadServiceField) << false << "PMT PID";
    QTest::newRow("service field, existing file") << int(BadServiceField) << true << "PMT PID";
    QTest::newRow("stream field, existing file")
        << int(BadStreamField) << true << "Transport Stream ID";
}

void TestDocuments::exportWithInvalidFieldTouchesNoFile()
{
    QFETCH(int, edit);
    QFETCH(bool, existing);
    QFETCH(QString, field);

    load(copyOf(QStringLiteral("example.mux")));
    applyEdit(edit);
    const QString target = path(QStringLiteral("out.mbn"));
    if (existing)
        writeBytes(target, "previous export");
    prompter->fileNames.enqueue(target);
    trigger(window.get(), "action_ExportToMUX");

    QCOMPARE(prompter->titles(), QStringList{QStringLiteral("Invalid Value")});
    QVERIFY(prompter->messages.first().text.contains(field));
    QCOMPARE(QFile::exists(target), existing);
    if (existing)
        QCOMPARE(fileBytes(target), QByteArray("previous export"));
    QVERIFY(!window->isChanged());
}

void TestDocuments::exportRefused_data()
{
    QTest::addColumn<bool>("existing");
    QTest::newRow("new file") << false;
    QTest::newRow("existing file") << true;
}

void TestDocuments::exportRefused()
{
    QFETCH(bool, existing);

    // Seventeen services with a PMT: one more than the entry table has PMT slots.
    TransportStreamCfg cfg;
    for (int i = 0; i < 17; ++i) {
        ServiceCfg s;
        s.id = quint16(i + 1);
        s.serviceName = QStringLiteral("Service %1").arg(i + 1);
        s.pmtPid = quint16(0x100 + i);
        s.pcrPid = quint16(0x200 + i);
        cfg.services << s;
    }
    const QStringList problems = exportProblems(cfg);
    QVERIFY(!problems.isEmpty());
    window->setDocument(cfg);

    const QString target = path(QStringLiteral("refused.mbn"));
    if (existing)
        writeBytes(target, "previous export");
    prompter->fileNames.enqueue(target);
    trigger(window.get(), "action_ExportToMUX");

    QCOMPARE(prompter->messages.size(), 1);
    const Prompter::Message &m = prompter->messages.first();
    QCOMPARE(m.icon, QMessageBox::Warning);
    QCOMPARE(m.title, QStringLiteral("Export Error"));
    QCOMPARE(m.text, QStringLiteral("Your configuration could not be exported."));
    QCOMPARE(m.detailedText, problems.join(QLatin1Char('\n')));
    QCOMPARE(QFile::exists(target), existing);
    if (existing)
        QCOMPARE(fileBytes(target), QByteArray("previous export"));
    QCOMPARE(int(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden).size()), existing ? 1 : 0);
}

void TestDocuments::exportFailureLeavesFile_data()
{
    saveFailureLeavesFile_data();
}

void TestDocuments::exportFailureLeavesFile()
{
    QFETCH(int, failure);
    QFETCH(QString, target);

    load(copyOf(QStringLiteral("example.mux")));
    target = path(target.replace(QStringLiteral(".mux"), QStringLiteral(".mbn")));
    makeTarget(failure, target);
    const QByteArray before = fileBytes(target);

    prompter->fileNames.enqueue(target);
    {
        std::unique_ptr<FileSizeLimit> limit;
        if (failure == WriteFails) {
            limit = std::make_unique<FileSizeLimit>(64);
            QVERIFY(limit->active);
        }
        trigger(window.get(), "action_ExportToMUX");
    }

    QCOMPARE(prompter->titles(), QStringList{QStringLiteral("Write Error")});
    QCOMPARE(prompter->messages.first().text,
             QStringLiteral("Your configuration could not be exported."));
    QCOMPARE(fileBytes(target), before);
    if (failure == DirectoryAtTarget)
        QVERIFY(QFileInfo(target).isDir());
    const QStringList left = QDir(dir->path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : left)
        QVERIFY2(!name.startsWith(QStringLiteral("out.mbn.")), qPrintable(name));
}

void TestDocuments::settingsPersistAndRerender()
{
    load(copyOf(QStringLiteral("example.mux")));
    QWidget *w = window.get();
    QCOMPARE(widget<QLineEdit>(w, "pmtPID")->text(), QStringLiteral("4096"));

    {
        ModalHandler hex([](QDialog *dlg) {
            chooseIndex(widget<QComboBox>(dlg, "notation"), 1);
            clickButton(dlg, QDialogButtonBox::Ok);
        });
        trigger(w, "action_Settings");
        QVERIFY(hex.ran);
        QCOMPARE(hex.className, QStringLiteral("SettingsDialog"));
    }
    QVERIFY(window->currentSettings().hex);
    QVERIFY(Settings().hex); // persisted, so a new window starts in hex
    QCOMPARE(widget<QLineEdit>(w, "tsID")->text(), QStringLiteral("0x0001"));
    QCOMPARE(widget<QLineEdit>(w, "pmtPID")->text(), QStringLiteral("0x1000"));
    QVERIFY(widget<QListWidget>(w, "services")->item(0)->text().contains(QStringLiteral("0x1000")));
    QVERIFY(widget<QListWidget>(w, "filters")->item(0)->text().contains(QStringLiteral("0x0200")));
    QVERIFY(widget<QListWidget>(w, "elements")->item(0)->text().contains(QStringLiteral("0x0100")));
    QVERIFY(!window->hasUnsavedChanges());

    // Cancelled after choosing decimal: nothing changes, nothing is stored.
    {
        ModalHandler cancel([](QDialog *dlg) {
            chooseIndex(widget<QComboBox>(dlg, "notation"), 0);
            clickButton(dlg, QDialogButtonBox::Cancel);
        });
        trigger(w, "action_Settings");
        QVERIFY(cancel.ran);
    }
    QVERIFY(window->currentSettings().hex);
    QVERIFY(Settings().hex);
    QCOMPARE(widget<QLineEdit>(w, "tsID")->text(), QStringLiteral("0x0001"));

    Velunor second;
    QVERIFY(second.currentSettings().hex);
    QVERIFY(prompter->messages.isEmpty());
}

void TestDocuments::versionDialog()
{
    QMap<QString, QString> shown;
    ModalHandler version([&shown](QDialog *dlg) {
        for (const char *name : {"id", "tag", "branch", "mod", "date"})
            shown[QLatin1String(name)] = widget<QLabel>(dlg, name)->text();
        QTest::mouseClick(widget<QPushButton>(dlg, "pushButton"), Qt::LeftButton);
    });
    trigger(window.get(), "action_Version");
    QVERIFY(version.ran);
    QCOMPARE(version.title, QStringLiteral("Build ID and Version Information"));
    QCOMPARE(shown[QStringLiteral("tag")], QStringLiteral("V0.5"));
    // Revision, branch and modified state are whatever the build found.
    QCOMPARE(shown[QStringLiteral("id")], QStringLiteral(VELUNOR_BUILD_ID));
    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9a-f]{12}$")).match(shown[QStringLiteral("id")]).hasMatch(),
             qPrintable(shown[QStringLiteral("id")]));
    QCOMPARE(shown[QStringLiteral("branch")], QString::fromUtf8(VELUNOR_BUILD_BRANCH));
    QCOMPARE(shown[QStringLiteral("mod")],
             VELUNOR_BUILD_MODIFIED ? QStringLiteral("YES") : QStringLiteral("NO"));
    QVERIFY2(QRegularExpression(QStringLiteral("^[A-Z][a-z]{2} \\d{1,2} \\d{4} \\d\\d:\\d\\d:\\d\\d$"))
                 .match(shown[QStringLiteral("date")])
                 .hasMatch(),
             qPrintable(shown[QStringLiteral("date")]));
}

QTEST_MAIN(TestDocuments)
#include "test_documents.moc"
