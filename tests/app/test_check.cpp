#include <QtTest>

#include <QLabel>
#include <QTreeWidget>

#include "check/configcheck.h"
#include "dialogs/checkdialog.h"
#include "pagedriver.h"

Q_DECLARE_METATYPE(TransportStreamCfg)

namespace {
ServiceCfg service(int id, const char *name, int pmtPid)
{
    ServiceCfg s;
    s.id = quint16(id), s.serviceName = QLatin1String(name), s.language = QStringLiteral("eng");
    s.pmtPid = quint16(pmtPid), s.pcrPid = quint16(pmtPid + 1);
    ESCfg video;
    video.type = EsMpeg2Video, video.pid = quint16(pmtPid + 1);
    s.elements = {video};
    return s;
}

// Two services that collide with nothing; `duplicate` gives both the same id.
TransportStreamCfg streams(bool duplicate, int count = 2)
{
    TransportStreamCfg cfg;
    cfg.id = 1, cfg.origId = 2, cfg.netId = 3, cfg.netName = QStringLiteral("Net");
    for (int i = 0; i < count; ++i)
        cfg.services << service(duplicate ? 1 : i + 1, i ? "Two" : "One", 0x100 + 0x10 * i);
    return cfg;
}
} // namespace

// "Check Configuration...": the pages are committed first, then the findings are listed.
class TestCheck : public QObject {
    Q_OBJECT
    std::unique_ptr<Window> win;
    CheckDialog *runCheck()
    {
        win->trigger("action_CheckConfiguration");
        return win->w->findChild<CheckDialog *>();
    }

private Q_SLOTS:
    void cleanup() { win.reset(); }

    void lists_data()
    {
        QTest::addColumn<TransportStreamCfg>("cfg");
        QTest::addColumn<QString>("summary");
        QTest::newRow("clean") << streams(false) << "No problems found.";
        QTest::newRow("duplicate service id") << streams(true) << "1 warning. The configuration can be exported.";
        // More PMTs than the entry table has slots.
        QTest::newRow("export refused") << streams(false, 17)
            << "1 error and 0 warnings. The configuration cannot be exported until the errors are corrected.";
    }
    void lists()
    {
        QFETCH(TransportStreamCfg, cfg);
        QFETCH(QString, summary);
        win = std::make_unique<Window>(cfg);
        CheckDialog *dialog = runCheck();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->findChild<QLabel *>("summary")->text(), summary);
        QCOMPARE(dialog->findChild<QTreeWidget *>("findings")->topLevelItemCount(), checkConfiguration(cfg).size());
        QCOMPARE(runCheck(), dialog); // one dialog, reused
    }

    // Rows of a check that ran before a service went would select the wrong one.
    void followsTheDocument()
    {
        win = std::make_unique<Window>(streams(true), false, 2);
        const QTreeWidget *rows = runCheck()->findChild<QTreeWidget *>();
        QCOMPARE(rows->topLevelItemCount(), 1);
        clickRow(win->list("services"), 0);
        win->prompter.answers << QMessageBox::Yes;
        win->click("removeService");
        QCOMPARE(rows->topLevelItemCount(), 0);
    }

    // An edit still in the service editor is what gets checked; a refused one stops the check.
    void commitsPagesFirst()
    {
        win = std::make_unique<Window>(streams(false), false, 2);
        typeText(win->edit("serviceName"), QString());
        QVERIFY(runCheck());
        QCOMPARE(win->doc().services.first().serviceName, QString());
        win.reset();
        win = std::make_unique<Window>(streams(false), false, 2);
        typeText(win->edit("pmtPID"), QStringLiteral("0x2G"));
        QVERIFY(!runCheck());
        QCOMPARE(win->prompter.titles(), QStringList{"Invalid Value"});
    }
};

QTEST_MAIN(TestCheck)
#include "test_check.moc"
