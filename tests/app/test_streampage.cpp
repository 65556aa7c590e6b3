#include <QtTest>

#include <QRadioButton>

#include "pagedriver.h"

// The stream configuration page driven through its widgets: which fields
// follow which tables, what a commit accepts and stores, and when the page
// counts as edited.
class TestStreamPage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { win = std::make_unique<Window>(); }
    void cleanup() { win.reset(); }

    void enables_data();
    void enables();
    void commitValidation_data();
    void commitValidation();
    void load_data();
    void load();
    void commitStoresEveryField();

private:
    // "name=text" types into a line edit, "name=123" into a spin box, a bare
    // name presses space on a check box, radio button or group box.
    void apply(const QStringList &edits);

    std::unique_ptr<Window> win;
};

void TestStreamPage::apply(const QStringList &edits)
{
    for (const QString &edit : edits) {
        const QStringList parts = edit.split(QLatin1Char('='));
        QWidget *target = win->get(parts.at(0).toLatin1().constData());
        if (parts.size() == 1)
            pressSpace(target);
        else if (auto *spin = qobject_cast<QSpinBox *>(target))
            typeText(spin, parts.at(1).toInt());
        else
            typeText(qobject_cast<QLineEdit *>(target), parts.at(1));
    }
}

void TestStreamPage::enables_data()
{
    QTest::addColumn<bool>("byLoad");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QStringList>("enabled");

    const struct {
        const char *name;
        QStringList checked, enabled;
    } rows[] = {
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
        {"timings off disable all six",
         {"patEnabled", "sdtEnabled", "nitEnabled", "eitEnabled", "tdtEnabled"},
         {"tsID", "origTSID", "netID", "netName", "TDTBox"}},
        {"timings without tables", {"featPOT"}, {"PMTime"}},
    };
    for (const auto &row : rows) {
        QTest::addRow("%s, by hand", row.name) << false << row.checked << row.enabled;
        QTest::addRow("%s, by load", row.name) << true << row.checked << row.enabled;
    }
}

void TestStreamPage::enables()
{
    QFETCH(bool, byLoad);
    QFETCH(QStringList, checked);
    QFETCH(QStringList, enabled);

    // By hand from no table at all; by load from the opposite state, which
    // loading has to undo.
    enum { None, AsChecked, Opposite };
    auto flags = [&](int mode) {
        auto on = [&](const char *name) {
            return mode != None && checked.contains(QLatin1String(name)) == (mode == AsChecked);
        };
        TransportStreamCfg cfg;
        cfg.patEnabled = on("patEnabled");
        cfg.sdtEnabled = on("sdtEnabled");
        cfg.nitEnabled = on("nitEnabled");
        cfg.eitEnabled = on("eitEnabled");
        cfg.tdtEnabled = on("tdtEnabled");
        cfg.caEnabled = on("tsCAEnabled");
        cfg.playoutTimings = on("featPOT");
        return cfg;
    };
    win->w->setDocument(flags(byLoad ? Opposite : None));
    if (byLoad)
        win->w->setDocument(flags(AsChecked));
    else
        apply(checked);
    QStringList wrong;
    for (const char *name : {"tsID", "origTSID", "netID", "netName", "tsCAID", "emmPID", "PATime",
                             "SDTime", "NITime", "EITime", "TDTime", "PMTime", "TDTBox"}) {
        if (win->get(name)->isEnabled() != enabled.contains(QLatin1String(name)))
            wrong << QLatin1String(name);
    }
    QCOMPARE(wrong, QStringList());
    QVERIFY(!win->w->isChanged());
}

void TestStreamPage::commitValidation_data()
{
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QString>("warning"); // empty: the commit succeeds
    QTest::addColumn<QString>("field");   // the focused field, or the one checked after commit
    QTest::addColumn<int>("value");

    QTest::newRow("hex 0x1F is 31") << QStringList{"tsID=0x1F"} << "" << "tsID" << 31;
    QTest::newRow("decimal 31") << QStringList{"tsID=31"} << "" << "tsID" << 31;
    QTest::newRow("octal 037 is 31") << QStringList{"tsID=037"} << "" << "tsID" << 31;
    QTest::newRow("65535 accepted") << QStringList{"tsID=65535"} << "" << "tsID" << 65535;
    QTest::newRow("65536 refused") << QStringList{"tsID=65536"} << "Transport Stream ID" << "tsID" << 0;
    QTest::newRow("negative refused") << QStringList{"tsID=-1"} << "Transport Stream ID" << "tsID" << 0;
    QTest::newRow("empty refused") << QStringList{"tsID="} << "Transport Stream ID" << "tsID" << 0;
    QTest::newRow("first of three bad fields named")
        << QStringList{"netID=x", "origTSID=y", "tsID=70000"} << "Transport Stream ID" << "tsID" << 0;
    QTest::newRow("origin before network")
        << QStringList{"netID=70000", "origTSID=abc"} << "Original Stream ID" << "origTSID" << 0;
    QTest::newRow("network before CA")
        << QStringList{"tsCAID=70000", "netID=0x10000"} << "Network ID" << "netID" << 0;
    QTest::newRow("CA id before EMM PID")
        << QStringList{"emmPID=8191", "tsCAID=zz"} << "CA-System ID" << "tsCAID" << 0;
    QTest::newRow("EMM PID 8191 refused with CA") << QStringList{"emmPID=8191"} << "EMM PID" << "emmPID" << 0;
    // Without CA its fields are not judged: a number in range is kept for
    // when CA comes back on, anything else leaves the stored value.
    QTest::newRow("EMM PID 0x0300 stored without CA")
        << QStringList{"emmPID=0x0300", "tsCAEnabled"} << "" << "emmPID" << 0x300;
    QTest::newRow("EMM PID 8191 leaves the stored PID without CA")
        << QStringList{"emmPID=8191", "tsCAEnabled"} << "" << "emmPID" << 0x200;
    QTest::newRow("CA id 70000 leaves the stored id without CA")
        << QStringList{"tsCAID=70000", "tsCAEnabled"} << "" << "tsCAID" << 0x100;
    QTest::newRow("CA id letters leave the stored id without CA")
        << QStringList{"tsCAID=xyz", "tsCAEnabled"} << "" << "tsCAID" << 0x100;
    // Compared by value: a text that means the stored number is no edit.
    QTest::newRow("same value in hex is no edit") << QStringList{"tsID=0x1"} << "" << "tsID" << 1;
    QTest::newRow("same value in octal is no edit") << QStringList{"origTSID=02"} << "" << "origTSID" << 2;
    QTest::newRow("letters where 0 is stored are refused") << QStringList{"netID=zz"} << "Network ID" << "netID" << 0;
    QTest::newRow("name with blanks around is no edit") << QStringList{"netName= Net "} << "" << "tsID" << 1;
}

void TestStreamPage::commitValidation()
{
    QFETCH(QStringList, edits);
    QFETCH(QString, warning);
    QFETCH(QString, field);
    QFETCH(int, value);

    // Identifiers away from 0, so that a text that does not convert differs.
    TransportStreamCfg before;
    before.id = 1;
    before.origId = 2;
    before.netName = QStringLiteral("Net");
    before.caEnabled = true;
    before.caId = 0x100;
    before.emmPid = 0x200;
    win->w->setDocument(before);
    apply(edits);
    const bool edited = win->w->hasUnsavedChanges();
    QVERIFY(!win->w->isChanged());

    const bool ok = win->w->commitPages();
    if (!warning.isEmpty()) {
        QVERIFY(!ok);
        QCOMPARE(win->prompter.titles(), QStringList{"Invalid Value"});
        QCOMPARE(win->prompter.messages.at(0).text,
                 QStringLiteral("Please correct the contents of the field \"%1\"").arg(warning));
        QCOMPARE(win->w->focusWidget(), win->get(field.toLatin1().constData()));
        QCOMPARE(win->doc(), before);
        QVERIFY(!win->w->isChanged());
        return;
    }
    QVERIFY2(ok, qPrintable(win->prompter.titles().join(", ")));
    QVERIFY(win->prompter.messages.isEmpty());
    const TransportStreamCfg &got = win->doc();
    const int stored = field == "tsID" ? got.id : field == "origTSID" ? got.origId : field == "netID" ? got.netId
                     : field == "emmPID"                             ? got.emmPid : got.caId;
    QCOMPARE(stored, value);
    QCOMPARE(got.caEnabled, win->get<QGroupBox>("tsCAEnabled")->isChecked());
    QCOMPARE(win->w->isChanged(), edited);
    QCOMPARE(got == before, !edited);
    // The page now matches the document: a second commit stores nothing new.
    const TransportStreamCfg once = got;
    QVERIFY(win->w->commitPages());
    QCOMPARE(win->doc(), once);
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
    expected.patTime = 101;
    expected.sdtTime = 102;
    expected.nitTime = 103;
    expected.eitTime = 104;
    expected.tdtTime = 105;
    expected.pmtTime = 106;
    expected.playoutTimings = true;
    expected.realTdt = true;
    expected.filterDefault = ActionDrop;

    apply({"tsID=0x1001", "origTSID=4098", "netID=010003", "netName=  Velunor Net ", "tsCAEnabled",
           "tsCAID=0x1004", "emmPID=0x105", "featPOT", "PATime=101", "SDTime=102", "NITime=103",
           "EITime=104", "TDTime=105", "PMTime=106", "featRealTDT", "patEnabled"});
    win->get<QTabWidget>("tabWidget")->setCurrentIndex(1);
    chooseIndex(win->get<QComboBox>("filterDefault"), 0);
    // Nothing reaches the document before the commit, the default action neither.
    QCOMPARE(win->doc(), TransportStreamCfg());
    QVERIFY(!win->w->isChanged());
    QVERIFY(win->w->hasUnsavedChanges());

    QVERIFY(win->w->commitPages());
    QVERIFY(win->prompter.messages.isEmpty());
    QCOMPARE(win->doc(), expected);
    QVERIFY(win->w->isChanged());

    // Going back to Static is an edit of its own.
    pressSpace(win->get<QRadioButton>("featStaticTDT"));
    QVERIFY(win->w->commitPages());
    QVERIFY(!win->doc().realTdt);
}

void TestStreamPage::load_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<int>("filterDefault");
    QTest::addColumn<QStringList>("shown"); // the identifiers, then the default action
    QTest::addColumn<int>("held");

    QTest::newRow("hex, drop") << true << 0 << QStringList{"0x0010", "0x0100", "0xffff", "0x1000", "0x1ffe", "Drop"} << 0;
    QTest::newRow("decimal, remap shows pass") << false << 1 << QStringList{"16", "256", "65535", "4096", "8190", "Pass"} << 2;
    QTest::newRow("decimal, unknown shows pass") << false << 7 << QStringList{"16", "256", "65535", "4096", "8190", "Pass"} << 2;
}

// Loading shows the document in the window's notation; a default action the
// page cannot show is held as Pass without marking the document changed.
void TestStreamPage::load()
{
    QFETCH(bool, hex);
    QFETCH(int, filterDefault);
    QFETCH(QStringList, shown);
    QFETCH(int, held);

    TransportStreamCfg cfg;
    cfg.id = 16;
    cfg.origId = 256;
    cfg.netId = 65535;
    cfg.caId = 4096;
    cfg.emmPid = 8190;
    cfg.filterDefault = filterDefault;
    win = std::make_unique<Window>(cfg, hex);
    QStringList texts;
    for (const char *name : {"tsID", "origTSID", "netID", "tsCAID", "emmPID"})
        texts << win->edit(name)->text();
    QCOMPARE(texts << win->get<QComboBox>("filterDefault")->currentText(), shown);
    QCOMPARE(win->doc().filterDefault, held);
    QVERIFY(!win->w->hasUnsavedChanges());
    QVERIFY(win->w->commitPages());
    QVERIFY(!win->w->isChanged());
    QCOMPARE(win->doc().netId, 65535);
}

QTEST_MAIN(TestStreamPage)
#include "test_streampage.moc"
