#include <QtTest>

#include <QDialogButtonBox>
#include <QLabel>
#include <QTreeWidget>

#include "dialogs/checkdialog.h"
#include "pagedriver.h"
#include "check/configcheck.h"
#include "tests/common/filehelpers.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

// "Check Configuration..." in the File menu: the pages are committed first,
// the findings are listed with their severity, a double click takes the
// operator to the service or filter rule concerned, and warnings never stop
// an export.
class TestCheck : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { win.reset(); }

    void listsFindings_data();
    void listsFindings();
    void doubleClickSelects_data();
    void doubleClickSelects();
    void commitsPagesFirst();
    void refusedFieldShowsNoFindings();
    void replacedDocumentClosesDialog();
    void followsTheDocument();
    void exportGoesAheadWithWarnings();

private:
    CheckDialog *runCheck()
    {
        win->trigger("action_CheckConfiguration");
        return win->w->findChild<CheckDialog *>();
    }
    QTreeWidget *rows(CheckDialog *dialog) { return dialog->findChild<QTreeWidget *>("findings"); }

    std::unique_ptr<Window> win;
    QTemporaryDir tmp;
};

namespace {

ServiceCfg service(int id, const QString &name, int pmtPid)
{
    ServiceCfg s;
    s.id = quint16(id);
    s.serviceName = name;
    s.providerName = QStringLiteral("Velunor");
    s.language = QStringLiteral("eng");
    s.pmtPid = quint16(pmtPid);
    s.pcrPid = quint16(pmtPid + 1);
    ESCfg video;
    video.type = EsMpeg2Video;
    video.pid = quint16(pmtPid + 1);
    ESCfg audio;
    audio.type = EsMpeg2Audio;
    audio.pid = quint16(pmtPid + 2);
    s.elements = {video, audio};
    return s;
}

FilterCfg rule(int input, int a, int b, int action)
{
    FilterCfg f;
    f.input = input;
    f.a = quint32(a);
    f.b = quint32(b);
    f.action = action;
    return f;
}

// Two services that collide with nothing; each case below spoils it in one place.
TransportStreamCfg clean()
{
    TransportStreamCfg cfg;
    cfg.id = 1;
    cfg.origId = 2;
    cfg.netId = 3;
    cfg.netName = QStringLiteral("Velunor Net");
    cfg.services = {service(1, QStringLiteral("One"), 0x0100), service(2, QStringLiteral("Two"), 0x0110)};
    return cfg;
}

TransportStreamCfg duplicateId()
{
    TransportStreamCfg cfg = clean();
    cfg.services[1].id = 1;
    return cfg;
}

// The second rule's PIDs are all passed by the first rule already.
TransportStreamCfg shadowedRule()
{
    TransportStreamCfg cfg = clean();
    cfg.filters = {rule(InputAny, 0x0000, 0x1FFF, ActionPass), rule(1, 0x0200, 0x02FF, ActionDrop)};
    return cfg;
}

// More PMTs than the entry table has slots: the export refuses.
TransportStreamCfg tooManyPmts()
{
    TransportStreamCfg cfg = clean();
    cfg.services.clear();
    for (int i = 0; i < 17; ++i)
        cfg.services.append(service(i + 1, QStringLiteral("S%1").arg(i + 1), 0x0100 + 0x10 * i));
    return cfg;
}

QString severityText(const ConfigFinding &f)
{
    return f.severity == ConfigFinding::Error ? QStringLiteral("Error") : QStringLiteral("Warning");
}

} // namespace

void TestCheck::listsFindings_data()
{
    QTest::addColumn<TransportStreamCfg>("cfg");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QStringList>("firstRow");

    QTest::newRow("clean") << clean() << "No problems found." << QStringList();
    QTest::newRow("duplicate service id")
        << duplicateId() << "1 warning. The configuration can be exported."
        << QStringList{"Warning", "Service 2 \"Two\"", "Service id 0x0001 is already used by service 1 \"One\" (id 0x0001)"};
    QTest::newRow("shadowed rule: the rule's summary goes to Where")
        << shadowedRule() << "1 warning. The configuration can be exported."
        << QStringList{"Warning", "Filter rule 2 (range 0x0200..0x02FF, port 1)",
                       "Never matches: earlier rules on port 1 already decide every PID it matches"};
    QTest::newRow("export refused")
        << tooManyPmts() << "1 error and 0 warnings. The configuration cannot be exported until the errors are corrected."
        << QStringList{"Error", "Transport stream"};
}

void TestCheck::listsFindings()
{
    QFETCH(TransportStreamCfg, cfg);
    QFETCH(QString, summary);
    QFETCH(QStringList, firstRow);
    win = std::make_unique<Window>(cfg);

    CheckDialog *dialog = runCheck();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Check Configuration"));
    QCOMPARE(dialog->findChild<QLabel *>("summary")->text(), summary);

    // One row per finding, in the check's order, with its severity; the
    // whole message is the tooltip.
    const QList<ConfigFinding> findings = checkConfiguration(cfg);
    QTreeWidget *tree = rows(dialog);
    QCOMPARE(tree->topLevelItemCount(), findings.size());
    for (int i = 0; i < findings.size(); ++i) {
        const QTreeWidgetItem *item = tree->topLevelItem(i);
        QCOMPARE(item->text(0), severityText(findings.at(i)));
        QCOMPARE(item->toolTip(2), findings.at(i).message);
    }
    if (!firstRow.isEmpty()) {
        const QTreeWidgetItem *first = tree->topLevelItem(0);
        QCOMPARE(QStringList({first->text(0), first->text(1), first->text(2)}).mid(0, firstRow.size()), firstRow);
    }

    // Running it again reuses the one dialog.
    QCOMPARE(runCheck(), dialog);
    QCOMPARE(win->w->findChildren<CheckDialog *>().size(), 1);
}

void TestCheck::doubleClickSelects_data()
{
    QTest::addColumn<TransportStreamCfg>("cfg");
    QTest::addColumn<int>("subject");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("page");

    QTest::newRow("service") << duplicateId() << int(ConfigFinding::Service) << 1 << "PSIGenerator";
    QTest::newRow("filter rule") << shadowedRule() << int(ConfigFinding::Filter) << 1 << "PIDFilter";
}

void TestCheck::doubleClickSelects()
{
    QFETCH(TransportStreamCfg, cfg);
    QFETCH(int, subject);
    QFETCH(int, index);
    QFETCH(QString, page);
    win = std::make_unique<Window>(cfg);

    CheckDialog *dialog = runCheck();
    QTreeWidget *tree = rows(dialog);
    int row = -1;
    const QList<ConfigFinding> findings = checkConfiguration(cfg);
    for (int i = 0; i < findings.size() && row < 0; ++i)
        if (findings.at(i).subject == subject && findings.at(i).index == index)
            row = i;
    QVERIFY2(row >= 0, "the check names no such finding");

    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    const QPoint at = tree->visualItemRect(tree->topLevelItem(row)).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);

    QCOMPARE(win->get<QTabWidget>("tabWidget")->currentWidget()->objectName(), page);
    if (subject == ConfigFinding::Service) {
        QCOMPARE(win->list("services")->currentRow(), index);
        // Selected as by a click: the service is open in the editor.
        QCOMPARE(win->edit("serviceName")->text(), cfg.services.at(index).serviceName);
    } else {
        QCOMPARE(win->list("filters")->currentRow(), index);
    }
    QVERIFY(dialog->isVisible());
}

void TestCheck::commitsPagesFirst()
{
    win = std::make_unique<Window>(clean(), false, 2);
    // An edit still in the service editor is what gets checked.
    typeText(win->edit("serviceName"), QString());
    CheckDialog *dialog = runCheck();
    QVERIFY(dialog);
    QCOMPARE(win->doc().services.first().serviceName, QString());
    QCOMPARE(rows(dialog)->topLevelItemCount(), checkConfiguration(win->doc()).size());
    QVERIFY(rows(dialog)->topLevelItemCount() > 0);
    QVERIFY(win->prompter.messages.isEmpty());
}

void TestCheck::refusedFieldShowsNoFindings()
{
    win = std::make_unique<Window>(clean(), false, 2);
    typeText(win->edit("pmtPID"), QStringLiteral("0x2G"));
    QVERIFY(!runCheck());
    QCOMPARE(win->prompter.titles(), QStringList{"Invalid Value"});
    QCOMPARE(win->doc(), clean());
}

void TestCheck::replacedDocumentClosesDialog()
{
    win = std::make_unique<Window>(duplicateId());
    CheckDialog *dialog = runCheck();
    QVERIFY(dialog->isVisible());
    win->w->setDocument(clean());
    QVERIFY(!dialog->isVisible());
}

// Rows of a check that ran before a service moved would select the wrong one.
void TestCheck::followsTheDocument()
{
    win = std::make_unique<Window>(duplicateId(), false, 2);
    CheckDialog *dialog = runCheck();
    QCOMPARE(rows(dialog)->topLevelItemCount(), 1);
    contextMenu(win->list("services"), 1, "&Duplicate");
    QCOMPARE(rows(dialog)->topLevelItemCount(), checkConfiguration(win->doc()).size());
    QVERIFY(rows(dialog)->topLevelItemCount() > 1);
    clickRow(win->list("services"), 0);
    win->prompter.answers << QMessageBox::Yes;
    win->click("removeService");
    QCOMPARE(rows(dialog)->topLevelItemCount(), checkConfiguration(win->doc()).size());
    QCOMPARE(rows(dialog)->topLevelItem(0)->text(1), QStringLiteral("Service 2 \"(Copy of) Two\""));
}

void TestCheck::exportGoesAheadWithWarnings()
{
    const TransportStreamCfg cfg = duplicateId();
    QVERIFY(!checkConfiguration(cfg).isEmpty());
    QVERIFY(!hasErrors(checkConfiguration(cfg)));
    win = std::make_unique<Window>(cfg);
    const QString target = tmp.filePath("warned.mbn");
    win->prompter.fileNames.enqueue(target);
    win->trigger("action_ExportToMUX");
    QVERIFY(win->prompter.messages.isEmpty());
    QVERIFY(QFileInfo(target).size() > 96);
}

QTEST_MAIN(TestCheck)
#include "test_check.moc"
