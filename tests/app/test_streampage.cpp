#include <QtTest>

#include <QRadioButton>

#include "pagedriver.h"

// The stream configuration page: what a commit accepts and stores.
class TestStreamPage : public QObject {
    Q_OBJECT
    std::unique_ptr<Window> win;

    // "name=text" types into a line edit, "name=123" into a spin box, a bare
    // name presses space on a check box, radio button or group box.
    void apply(const QStringList &edits)
    {
        for (const QString &edit : edits) {
            QWidget *target = win->get(edit.section(QLatin1Char('='), 0, 0).toLatin1().constData());
            if (!edit.contains(QLatin1Char('=')))
                pressSpace(target);
            else if (auto *spin = qobject_cast<QSpinBox *>(target))
                typeText(spin, edit.section(QLatin1Char('='), 1).toInt());
            else
                typeText(qobject_cast<QLineEdit *>(target), edit.section(QLatin1Char('='), 1));
        }
    }

private Q_SLOTS:
    void init() { win = std::make_unique<Window>(); }
    void cleanup() { win.reset(); }

    // Each row: edits, then the field named in the warning (empty: accepted)
    // or, when accepted, the field and the value stored.
    void commit_data()
    {
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("value");
        QTest::newRow("hex 0x1F is 31") << QStringList{"tsID=0x1F"} << "" << "tsID" << 31;
        QTest::newRow("65536 refused") << QStringList{"tsID=65536"} << "Transport Stream ID" << "tsID" << 0;
        QTest::newRow("network before CA") << QStringList{"tsCAID=70000", "netID=0x10000"} << "Network ID" << "netID" << 0;
        QTest::newRow("EMM PID 8191 refused with CA") << QStringList{"emmPID=8191"} << "EMM PID" << "emmPID" << 0;
        // Without CA its fields are not judged: a bad text keeps the stored value.
        QTest::newRow("bad CA id ignored without CA") << QStringList{"tsCAID=xyz", "tsCAEnabled"} << "" << "tsCAID" << 0x100;
    }
    void commit()
    {
        QFETCH(QStringList, edits);
        QFETCH(QString, warning);
        QFETCH(QString, field);
        QFETCH(int, value);
        TransportStreamCfg before;
        before.caEnabled = true, before.caId = 0x100, before.emmPid = 0x200;
        win->w->setDocument(before);
        apply(edits);
        const bool ok = win->w->commitPages();
        QCOMPARE(ok, warning.isEmpty());
        if (!ok) {
            QCOMPARE(win->prompter.messages.at(0).text,
                     QStringLiteral("Please correct the contents of the field \"%1\"").arg(warning));
            QCOMPARE(win->w->focusWidget(), win->get(field.toLatin1().constData()));
            QCOMPARE(win->doc(), before);
            return;
        }
        const TransportStreamCfg &got = win->doc();
        QCOMPARE(field == "tsID" ? got.id : got.caId, value);
        QCOMPARE(got.caEnabled, win->get<QGroupBox>("tsCAEnabled")->isChecked());
    }

    void commitStoresEveryField()
    {
        // Every value distinct, so a widget stored into the wrong field shows.
        TransportStreamCfg expected;
        expected.id = 0x1001, expected.origId = 0x1002, expected.netId = 0x1003;
        expected.netName = QStringLiteral("Velunor Net");
        expected.caEnabled = true, expected.caId = 0x1004, expected.emmPid = 0x105;
        expected.patEnabled = false;
        expected.patTime = 101, expected.sdtTime = 102, expected.nitTime = 103;
        expected.eitTime = 104, expected.tdtTime = 105, expected.pmtTime = 106;
        expected.playoutTimings = true, expected.realTdt = true, expected.filterDefault = ActionDrop;
        expected.lcnProfile = LcnDbook;
        apply({"tsID=0x1001", "origTSID=4098", "netID=010003", "netName=  Velunor Net ", "tsCAEnabled",
               "tsCAID=0x1004", "emmPID=0x105", "featPOT", "PATime=101", "SDTime=102", "NITime=103",
               "EITime=104", "TDTime=105", "PMTime=106", "featRealTDT", "patEnabled"});
        chooseIndex(win->get<QComboBox>("lcnProfile"), 3);
        win->get<QTabWidget>("tabWidget")->setCurrentIndex(1);
        chooseIndex(win->get<QComboBox>("filterDefault"), 0);
        // Nothing reaches the document before the commit.
        QCOMPARE(win->doc(), TransportStreamCfg());
        QVERIFY(win->w->commitPages());
        QCOMPARE(win->doc(), expected);
        QVERIFY(win->w->isChanged());
        pressSpace(win->get<QRadioButton>("featStaticTDT"));
        QVERIFY(win->w->commitPages());
        QVERIFY(!win->doc().realTdt);
        // A loaded document shows its profile, and nothing is pending.
        TransportStreamCfg nordig;
        nordig.lcnProfile = LcnNordig;
        win->w->setDocument(nordig);
        QCOMPARE(win->get<QComboBox>("lcnProfile")->currentText(), QStringLiteral("NorDig"));
    }
};

QTEST_MAIN(TestStreamPage)
#include "test_streampage.moc"
