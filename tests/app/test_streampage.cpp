#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include <memory>

#include "../common/scriptedprompter.h"
#include "app/velunor.h"
#include "pagedriver.h"

// The stream configuration page driven through its widgets: which fields
// follow which tables, what a commit accepts and stores, and when the page
// counts as edited.
class TestStreamPage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void cleanupTestCase();

    void enables_data();
    void enables();
    void commitValidation_data();
    void commitValidation();
    void unchangedByValue_data();
    void unchangedByValue();
    void filterDefaultLoad_data();
    void filterDefaultLoad();
    void filterDefaultWaitsForCommit_data();
    void filterDefaultWaitsForCommit();
    void spinBoxesAfterSetDocument();
    void commitStoresEveryField();
    void notation_data();
    void notation();

private:
    void openWindow();
    template<typename T>
    T *w(const char *name) { return widget<T>(window.get(), name); }
    // "name=text" types into a line edit, "name=123" into a spin box,
    // a bare name presses space on a check box, radio button or group box.
    void apply(const QString &edit);

    std::unique_ptr<ScriptedPrompter> prompter;
    std::unique_ptr<Velunor> window;
};

void TestStreamPage::init()
{
    removeNotation();
    prompter = std::make_unique<ScriptedPrompter>();
    openWindow();
}

void TestStreamPage::openWindow()
{
    window.reset();
    window = std::make_unique<Velunor>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    w<QTabWidget>("tabWidget")->setCurrentIndex(0);
}

void TestStreamPage::cleanup()
{
    window.reset();
    prompter.reset();
}

void TestStreamPage::cleanupTestCase()
{
    removeNotation();
}

void TestStreamPage::apply(const QString &edit)
{
    const int eq = edit.indexOf(QLatin1Char('='));
    const QByteArray name = (eq < 0 ? edit : edit.left(eq)).toLatin1();
    QWidget *target = w<QWidget>(name.constData());
    if (eq < 0) {
        pressSpace(target);
    } else if (auto *spin = qobject_cast<QSpinBox *>(target)) {
        typeText(spin, edit.mid(eq + 1).toInt());
    } else {
        typeText(qobject_cast<QLineEdit *>(target), edit.mid(eq + 1));
    }
}

namespace {

TransportStreamCfg noTables()
{
    TransportStreamCfg cfg;
    cfg.patEnabled = cfg.sdtEnabled = cfg.nitEnabled = cfg.eitEnabled = cfg.tdtEnabled = false;
    cfg.caEnabled = false;
    cfg.playoutTimings = false;
    return cfg;
}

// Identifiers away from 0, so that a text that does not convert differs.
TransportStreamCfg identified()
{
    TransportStreamCfg cfg;
    cfg.id = 1;
    cfg.origId = 2;
    cfg.netId = 3;
    cfg.netName = QStringLiteral("Net");
    cfg.caEnabled = true;
    cfg.caId = 0x100;
    cfg.emmPid = 0x200;
    return cfg;
}

int storedNumber(const TransportStreamCfg &cfg, const QString &field)
{
    if (field == QLatin1String("tsID"))
        return cfg.id;
    if (field == QLatin1String("origTSID"))
        return cfg.origId;
    if (field == QLatin1String("netID"))
        return cfg.netId;
    if (field == QLatin1String("tsCAID"))
        return cfg.caId;
    if (field == QLatin1String("emmPID"))
        return cfg.emmPid;
    qFatal("unknown field");
    return -1;
}

} // namespace

void TestStreamPage::enables_data()
{
    QTest::addColumn<bool>("byLoad");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QStringList>("enabled");

    struct Row {
        const char *name;
        QStringList checked;
        QStringList enabled;
    };
    const Row rows[] = {
        {"nothing", {}, {}},
        {"only EIT", {"eitEnabled"}, {"origTSID"}},
        {"only PAT", {"patEnabled"}, {"tsID"}},
        {"only SDT", {"sdtEnabled"}, {"tsID", "origTSID"}},
        {"only NIT", {"nitEnabled"}, {"tsID", "origTSID", "netID", "netName"}},
        {"only TDT", {"tdtEnabled"}, {"TDTBox"}},
        {"CA group", {"tsCAEnabled"}, {"tsCAID", "emmPID"}},
        {"timings with PAT and TDT", {"patEnabled", "tdtEnabled", "featPOT"},
         {"tsID", "PATime", "TDTime", "PMTime", "TDTBox"}},
        {"timings with SDT NIT EIT", {"sdtEnabled", "nitEnabled", "eitEnabled", "featPOT"},
         {"tsID", "origTSID", "netID", "netName", "SDTime", "NITime", "EITime", "PMTime"}},
        {"timings off disable all six", {"patEnabled", "sdtEnabled", "nitEnabled", "eitEnabled",
                                         "tdtEnabled"},
         {"tsID", "origTSID", "netID", "netName", "TDTBox"}},
        {"timings without tables", {"featPOT"}, {"PMTime"}},
    };
    for (const Row &row : rows) {
        QTest::addRow("%s, by hand", row.name) << false << row.checked << row.enabled;
        QTest::addRow("%s, by load", row.name) << true << row.checked << row.enabled;
    }
}

void TestStreamPage::enables()
{
    QFETCH(bool, byLoad);
    QFETCH(QStringList, checked);
    QFETCH(QStringList, enabled);

    TransportStreamCfg cfg = noTables();
    if (byLoad) {
        cfg.patEnabled = checked.contains("patEnabled");
        cfg.sdtEnabled = checked.contains("sdtEnabled");
        cfg.nitEnabled = checked.contains("nitEnabled");
        cfg.eitEnabled = checked.contains("eitEnabled");
        cfg.tdtEnabled = checked.contains("tdtEnabled");
        cfg.caEnabled = checked.contains("tsCAEnabled");
        cfg.playoutTimings = checked.contains("featPOT");
        // Start from the opposite state so that loading has to undo it.
        TransportStreamCfg opposite = cfg;
        opposite.patEnabled = !cfg.patEnabled;
        opposite.sdtEnabled = !cfg.sdtEnabled;
        opposite.nitEnabled = !cfg.nitEnabled;
        opposite.eitEnabled = !cfg.eitEnabled;
        opposite.tdtEnabled = !cfg.tdtEnabled;
        opposite.caEnabled = !cfg.caEnabled;
        opposite.playoutTimings = !cfg.playoutTimings;
        window->setDocument(opposite);
        window->setDocument(cfg);
    } else {
        window->setDocument(cfg);
        for (const QString &name : checked)
            apply(name);
    }

    const char *fields[] = {"tsID", "origTSID", "netID", "netName", "tsCAID", "emmPID",
                            "PATime", "SDTime", "NITime", "EITime", "TDTime", "PMTime",
                            "TDTBox"};
    for (const char *name : fields) {
        const bool expected = enabled.contains(QLatin1String(name));
        if (w<QWidget>(name)->isEnabled() != expected)
            QFAIL(qPrintable(QStringLiteral("%1 is %2").arg(QLatin1String(name),
                                                           expected ? "disabled" : "enabled")));
    }
    QVERIFY(!window->isChanged());
}

void TestStreamPage::commitValidation_data()
{
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QString>("warning");  // empty: the commit succeeds
    QTest::addColumn<QString>("field");    // the focused field, or the one checked after commit
    QTest::addColumn<int>("value");

    QTest::newRow("hex 0x1F is 31") << QStringList{"tsID=0x1F"} << "" << "tsID" << 31;
    QTest::newRow("decimal 31") << QStringList{"tsID=31"} << "" << "tsID" << 31;
    QTest::newRow("octal 037 is 31") << QStringList{"tsID=037"} << "" << "tsID" << 31;
    QTest::newRow("blanks around") << QStringList{"tsID= 31 "} << "" << "tsID" << 31;
    QTest::newRow("65535 accepted") << QStringList{"tsID=65535"} << "" << "tsID" << 65535;
    QTest::newRow("65536 refused") << QStringList{"tsID=65536"} << "Transport Stream ID"
                                   << "tsID" << 0;
    QTest::newRow("negative refused") << QStringList{"tsID=-1"} << "Transport Stream ID"
                                      << "tsID" << 0;
    QTest::newRow("empty refused") << QStringList{"tsID="} << "Transport Stream ID" << "tsID"
                                   << 0;
    QTest::newRow("letters in origin refused")
        << QStringList{"origTSID=abc"} << "Original Stream ID" << "origTSID" << 0;
    QTest::newRow("network id 0x10000 refused")
        << QStringList{"netID=0x10000"} << "Network ID" << "netID" << 0;
    QTest::newRow("first of three bad fields named")
        << QStringList{"netID=x", "origTSID=y", "tsID=70000"} << "Transport Stream ID" << "tsID"
        << 0;
    QTest::newRow("origin before network")
        << QStringList{"netID=70000", "origTSID=70000"} << "Original Stream ID" << "origTSID" << 0;
    QTest::newRow("network before CA")
        << QStringList{"tsCAID=70000", "netID=70000"} << "Network ID" << "netID" << 0;
    QTest::newRow("CA id refused")
        << QStringList{"tsCAID=65536"} << "CA-System ID" << "tsCAID" << 0;
    QTest::newRow("CA id before EMM PID")
        << QStringList{"emmPID=8191", "tsCAID=zz"} << "CA-System ID" << "tsCAID" << 0;
    QTest::newRow("EMM PID 8191 refused with CA")
        << QStringList{"emmPID=8191"} << "EMM PID" << "emmPID" << 0;
    QTest::newRow("EMM PID 8190 accepted") << QStringList{"emmPID=8190"} << "" << "emmPID"
                                           << 8190;
    QTest::newRow("EMM PID 8191 stored without CA")
        << QStringList{"emmPID=8191", "tsCAEnabled"} << "" << "emmPID" << 8191;
    QTest::newRow("CA id letters store 0 without CA")
        << QStringList{"tsCAID=xyz", "tsCAEnabled"} << "" << "tsCAID" << 0;
    QTest::newRow("CA id 0x1234 stored without CA")
        << QStringList{"tsCAID=0x1234", "tsCAEnabled"} << "" << "tsCAID" << 0x1234;
}

void TestStreamPage::commitValidation()
{
    QFETCH(QStringList, edits);
    QFETCH(QString, warning);
    QFETCH(QString, field);
    QFETCH(int, value);

    const TransportStreamCfg before = identified();
    window->setDocument(before);
    for (const QString &edit : edits)
        apply(edit);
    QVERIFY(window->hasUnsavedChanges());
    QVERIFY(!window->isChanged());

    const bool ok = window->commitPages();
    if (warning.isEmpty()) {
        QVERIFY2(ok, qPrintable(prompter->titles().join(", ")));
        QVERIFY(prompter->messages.isEmpty());
        QCOMPARE(storedNumber(window->document(), field), value);
        QCOMPARE(window->document().caEnabled, w<QGroupBox>("tsCAEnabled")->isChecked());
        QVERIFY(window->isChanged());
        // The page now matches the document: a second commit stores nothing new.
        const TransportStreamCfg once = window->document();
        QVERIFY(window->commitPages());
        QVERIFY(window->document() == once);
        return;
    }
    QVERIFY(!ok);
    QCOMPARE(prompter->messages.size(), 1);
    QCOMPARE(prompter->messages.at(0).title, QStringLiteral("Invalid Value"));
    QCOMPARE(prompter->messages.at(0).text,
             QStringLiteral("Please correct the contents of the field \"%1\"").arg(warning));
    QCOMPARE(window->focusWidget(), w<QWidget>(field.toLatin1().constData()));
    QVERIFY(window->document() == before);
    QVERIFY(!window->isChanged());
}

void TestStreamPage::unchangedByValue_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("edited");

    QTest::newRow("letters where 0 is stored") << "tsID=abc" << false;
    QTest::newRow("letters in network id where 0 is stored") << "netID=zz" << false;
    QTest::newRow("empty CA id where 0 is stored") << "tsCAID=" << false;
    QTest::newRow("same value in hex") << "tsID=0x0" << false;
    QTest::newRow("same value in octal") << "origTSID=00" << false;
    QTest::newRow("name with blanks around") << "netName=  " << false;
    QTest::newRow("a real value") << "tsID=5" << true;
    QTest::newRow("a name") << "netName=Net" << true;
}

void TestStreamPage::unchangedByValue()
{
    QFETCH(QString, edit);
    QFETCH(bool, edited);

    TransportStreamCfg cfg;
    cfg.caEnabled = true;
    window->setDocument(cfg);
    apply(edit);
    QCOMPARE(window->hasUnsavedChanges(), edited);
    QVERIFY(window->commitPages());
    QVERIFY(prompter->messages.isEmpty());
    QCOMPARE(window->isChanged(), edited);
    QCOMPARE(window->document() == cfg, !edited);
}

void TestStreamPage::filterDefaultLoad_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("held");

    QTest::newRow("drop") << 0 << "Drop" << 0;
    QTest::newRow("remap shows pass") << 1 << "Pass" << 2;
    QTest::newRow("pass") << 2 << "Pass" << 2;
    QTest::newRow("unknown shows pass") << 7 << "Pass" << 2;
}

void TestStreamPage::filterDefaultLoad()
{
    QFETCH(int, stored);
    QFETCH(QString, shown);
    QFETCH(int, held);

    TransportStreamCfg cfg;
    cfg.filterDefault = stored;
    window->setDocument(cfg);
    QCOMPARE(w<QComboBox>("filterDefault")->currentText(), shown);
    QCOMPARE(window->document().filterDefault, held);
    QVERIFY(!window->isChanged());
    QVERIFY(!window->hasUnsavedChanges());
    QVERIFY(window->commitPages());
    QVERIFY(!window->isChanged());
}

void TestStreamPage::filterDefaultWaitsForCommit_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("committed");

    QTest::newRow("pass to drop") << 2 << 0 << 0;
    QTest::newRow("drop to pass") << 0 << 1 << 2;
}

void TestStreamPage::filterDefaultWaitsForCommit()
{
    QFETCH(int, stored);
    QFETCH(int, index);
    QFETCH(int, committed);

    TransportStreamCfg cfg;
    cfg.filterDefault = stored;
    window->setDocument(cfg);
    w<QTabWidget>("tabWidget")->setCurrentIndex(1);
    chooseIndex(w<QComboBox>("filterDefault"), index);

    QCOMPARE(window->document().filterDefault, stored);
    QVERIFY(!window->isChanged());
    QVERIFY(window->hasUnsavedChanges());

    QVERIFY(window->commitPages());
    QCOMPARE(window->document().filterDefault, committed);
    QVERIFY(window->isChanged());
    QVERIFY(!(window->document() == cfg));
}

void TestStreamPage::spinBoxesAfterSetDocument()
{
    TransportStreamCfg cfg;
    cfg.playoutTimings = true;
    cfg.patTime = 25;
    cfg.sdtTime = 2000;
    cfg.nitTime = 9999;
    cfg.eitTime = 26;
    cfg.tdtTime = 29999;
    cfg.pmtTime = 499;
    window->setDocument(cfg);

    QCOMPARE(w<QSpinBox>("PATime")->value(), 25);
    QCOMPARE(w<QSpinBox>("SDTime")->value(), 2000);
    QCOMPARE(w<QSpinBox>("NITime")->value(), 9999);
    QCOMPARE(w<QSpinBox>("EITime")->value(), 26);
    QCOMPARE(w<QSpinBox>("TDTime")->value(), 29999);
    QCOMPARE(w<QSpinBox>("PMTime")->value(), 499);
    QVERIFY(!window->hasUnsavedChanges());
    QVERIFY(window->commitPages());
    QVERIFY(!window->isChanged());
    QVERIFY(window->document() == cfg);
}

void TestStreamPage::commitStoresEveryField()
{
    // Every value distinct, so a widget stored into the wrong field shows.
    TransportStreamCfg expected;
    expected.id = 0x1001;
    expected.origId = 0x1002;
    expected.netId = 0x1003;
    expected.netName = QStringLiteral("Velunor Net");
    expected.caEnabled = true;
    expected.caId = 0x1004;
    expected.emmPid = 0x105;
    expected.patEnabled = false;
    expected.sdtEnabled = true;
    expected.nitEnabled = true;
    expected.eitEnabled = true;
    expected.tdtEnabled = true;
    expected.patTime = 101;
    expected.sdtTime = 102;
    expected.nitTime = 103;
    expected.eitTime = 104;
    expected.tdtTime = 105;
    expected.pmtTime = 106;
    expected.playoutTimings = true;
    expected.realTdt = true;
    expected.filterDefault = ActionDrop;

    window->setDocument(TransportStreamCfg());
    const QStringList edits{
        "tsID=0x1001", "origTSID=4098", "netID=010003", "netName=  Velunor Net ",
        "tsCAEnabled", "tsCAID=0x1004", "emmPID=0x105", "featPOT",
        "PATime=101", "SDTime=102", "NITime=103", "EITime=104", "TDTime=105", "PMTime=106",
        "featRealTDT", "patEnabled"};
    for (const QString &edit : edits)
        apply(edit);
    w<QTabWidget>("tabWidget")->setCurrentIndex(1);
    chooseIndex(w<QComboBox>("filterDefault"), 0);

    QVERIFY(window->commitPages());
    QVERIFY(prompter->messages.isEmpty());
    const TransportStreamCfg &got = window->document();
    QCOMPARE(got.id, expected.id);
    QCOMPARE(got.origId, expected.origId);
    QCOMPARE(got.netId, expected.netId);
    QCOMPARE(got.netName, expected.netName);
    QCOMPARE(got.caId, expected.caId);
    QCOMPARE(got.emmPid, expected.emmPid);
    QCOMPARE(got.patTime, expected.patTime);
    QCOMPARE(got.sdtTime, expected.sdtTime);
    QCOMPARE(got.nitTime, expected.nitTime);
    QCOMPARE(got.eitTime, expected.eitTime);
    QCOMPARE(got.tdtTime, expected.tdtTime);
    QCOMPARE(got.pmtTime, expected.pmtTime);
    QVERIFY(got == expected);
    QVERIFY(window->isChanged());

    // Going back to Static is an edit of its own.
    pressSpace(w<QRadioButton>("featStaticTDT"));
    QVERIFY(window->commitPages());
    QVERIFY(!window->document().realTdt);
}

void TestStreamPage::notation_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("hexadecimal") << true
                                 << QStringList{"0x0010", "0x0100", "0xffff", "0x1000", "0x1ffe"};
    QTest::newRow("decimal") << false << QStringList{"16", "256", "65535", "4096", "8190"};
}

void TestStreamPage::notation()
{
    QFETCH(bool, hex);
    QFETCH(QStringList, texts);

    setNotation(hex);
    openWindow();
    QCOMPARE(window->currentSettings().hex, hex);

    TransportStreamCfg cfg;
    cfg.id = 16;
    cfg.origId = 256;
    cfg.netId = 65535;
    cfg.caId = 4096;
    cfg.emmPid = 8190;
    window->setDocument(cfg);
    const QStringList shown{w<QLineEdit>("tsID")->text(), w<QLineEdit>("origTSID")->text(),
                            w<QLineEdit>("netID")->text(), w<QLineEdit>("tsCAID")->text(),
                            w<QLineEdit>("emmPID")->text()};
    QCOMPARE(shown, texts);
    QVERIFY(!window->hasUnsavedChanges());
}

QTEST_MAIN(TestStreamPage)
#include "test_streampage.moc"
