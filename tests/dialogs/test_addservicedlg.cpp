#include <QtTest>

#include <QLabel>

#include "../common/scriptedprompter.h"
#include "config/model.h"
#include "dialogs/addservicedlg.h"
#include "modaldriver.h"

namespace {
const QStringList none;

QString s(const char *text)
{
    return QString::fromLatin1(text);
}

// The enable and check states that updateEnables decides, as one readable
// line: each of videoEnabled, videoPID, streamTypeLabel, streamType,
// audioEnabled, audioPID, teletextEnabled, teletextPID as 1 (enabled) or 0,
// then " checked " and the three boxes.
QString states(QWidget *dlg)
{
    QString out;
    for (const char *name : {"videoEnabled", "videoPID", "streamTypeLabel", "streamType",
                             "audioEnabled", "audioPID", "teletextEnabled", "teletextPID"})
        out += child<QWidget>(dlg, name)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    out += QLatin1String(" checked ");
    for (const char *name : {"videoEnabled", "audioEnabled", "teletextEnabled"})
        out += child<QCheckBox>(dlg, name)->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
    return out;
}
} // namespace

class TestAddServiceDlg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void form();
    void initialTexts_data();
    void initialTexts();
    void enables_data();
    void enables();
    void answers_data();
    void answers();
    void refused_data();
    void refused();
};

void TestAddServiceDlg::form()
{
    AddServiceDlg dlg(false, nullptr);
    QCOMPARE(dlg.windowTitle(), s("Add a Service"));
    QVERIFY(child<QLineEdit>(&dlg, "serviceID")->maximumWidth() <= 64);
    auto *type = child<QComboBox>(&dlg, "type");
    QCOMPARE(type->count(), 2);
    QCOMPARE(type->itemData(1).toInt(), int(ServiceDigitalRadio));
    auto *streamType = child<QComboBox>(&dlg, "streamType");
    QCOMPARE(streamType->count(), 2);
    QCOMPARE(streamType->itemData(1).toInt(), int(EsH264Video));
    QCOMPARE(child<QCheckBox>(&dlg, "teletextEnabled")->text(), s("Telete&xt PID"));

    // Every & accelerator of a label leads to its field.
    const QMap<QString, const char *> buddies{{s("Service &ID"), "serviceID"},
                                              {s("Service &Type"), "type"},
                                              {s("Service &Name"), "name"},
                                              {s("&PMT PID"), "pmtPID"}};
    int found = 0;
    for (const QLabel *l : dlg.findChildren<QLabel *>()) {
        if (buddies.contains(l->text())) {
            ++found;
            QCOMPARE(l->buddy(), child<QWidget>(&dlg, buddies.value(l->text())));
        }
    }
    QCOMPARE(found, buddies.size());
}

void TestAddServiceDlg::initialTexts_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QStringList>("texts"); // serviceID, pmtPID, videoPID, audioPID, teletextPID

    QTest::newRow("decimal") << false << QStringList{s("256"), s("1024"), s("1025"), s("1026"), s("1027")};
    QTest::newRow("hexadecimal")
        << true << QStringList{s("0x0100"), s("0x0400"), s("0x0401"), s("0x0402"), s("0x0403")};
}

void TestAddServiceDlg::initialTexts()
{
    QFETCH(bool, hex);
    QFETCH(QStringList, texts);

    AddServiceDlg dlg(hex, nullptr);
    QStringList shown;
    for (const char *name : {"serviceID", "pmtPID", "videoPID", "audioPID", "teletextPID"})
        shown << child<QLineEdit>(&dlg, name)->text();
    QCOMPARE(shown, texts);
    QCOMPARE(child<QLineEdit>(&dlg, "name")->text(), s("My TV Channel"));
    QCOMPARE(dlg.serviceType(), int(ServiceDigitalTv));
    QCOMPARE(dlg.videoStreamType(), int(EsMpeg2Video));
    QCOMPARE(states(&dlg), s("11111111 checked 111"));
}

void TestAddServiceDlg::enables_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected");

    QTest::newRow("television, all checked") << none << s("11111111 checked 111");
    QTest::newRow("video unchecked") << QStringList{s("toggle:videoEnabled")}
                                     << s("10001111 checked 011");
    QTest::newRow("audio unchecked") << QStringList{s("toggle:audioEnabled")}
                                     << s("11111011 checked 101");
    QTest::newRow("teletext unchecked") << QStringList{s("toggle:teletextEnabled")}
                                        << s("11111110 checked 110");
    QTest::newRow("radio") << QStringList{s("choose:type=1")} << s("00001100 checked 010");
    QTest::newRow("radio, audio unchecked")
        << QStringList{s("choose:type=1"), s("toggle:audioEnabled")} << s("00001000 checked 000");
    QTest::newRow("radio ignores the disabled boxes")
        << QStringList{s("choose:type=1"), s("toggle:videoEnabled"), s("toggle:teletextEnabled")}
        << s("00001100 checked 010");
    QTest::newRow("radio and back to television")
        << QStringList{s("choose:type=1"), s("choose:type=0")} << s("10001110 checked 010");
    QTest::newRow("back to television, video checked again")
        << QStringList{s("choose:type=1"), s("choose:type=0"), s("toggle:videoEnabled")}
        << s("11111110 checked 110");
}

void TestAddServiceDlg::enables()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);

    AddServiceDlg dlg(false, nullptr);
    ModalDriver driver;
    QString shown;
    driver.schedule([&](QDialog *d) {
        perform(d, steps);
        shown = states(d);
        clickBox(d, QDialogButtonBox::Cancel);
    });
    QCOMPARE(dlg.exec(), 0);
    QCOMPARE(shown, expected);
}

void TestAddServiceDlg::answers_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QStringList>("steps");
    // type, checked video/audio/teletext, video stream type, videoPid, audioPid
    QTest::addColumn<QList<int>>("values");
    // serviceIdText, nameText, pmtPidText, teletextPidText
    QTest::addColumn<QStringList>("texts");

    const QStringList unchanged{s("256"), s("My TV Channel"), s("1024"), s("1027")};
    QTest::newRow("unchanged television")
        << false << none << QList<int>{0, 1, 1, 1, EsMpeg2Video, 1025, 1026} << unchanged;
    QTest::newRow("unchanged, hexadecimal")
        << true << none << QList<int>{0, 1, 1, 1, EsMpeg2Video, 1025, 1026}
        << QStringList{s("0x0100"), s("My TV Channel"), s("0x0400"), s("0x0403")};
    QTest::newRow("H.264 video") << false << QStringList{s("choose:streamType=1")}
                                 << QList<int>{0, 1, 1, 1, EsH264Video, 1025, 1026} << unchanged;
    QTest::newRow("radio with audio") << false << QStringList{s("choose:type=1")}
                                      << QList<int>{1, 0, 1, 0, EsMpeg2Video, 1025, 1026}
                                      << unchanged;
    QTest::newRow("radio without audio")
        << false << QStringList{s("choose:type=1"), s("toggle:audioEnabled")}
        << QList<int>{1, 0, 0, 0, EsMpeg2Video, 1025, 1026} << unchanged;
    QTest::newRow("television with only audio")
        << false << QStringList{s("toggle:videoEnabled"), s("toggle:teletextEnabled")}
        << QList<int>{0, 0, 1, 0, EsMpeg2Video, 1025, 1026} << unchanged;
    QTest::newRow("radio and back to television")
        << false << QStringList{s("choose:type=1"), s("choose:type=0")}
        << QList<int>{0, 0, 1, 0, EsMpeg2Video, 1025, 1026} << unchanged;
    QTest::newRow("service id 65535, PMT 8190")
        << false << QStringList{s("text:serviceID=65535"), s("text:pmtPID=8190")}
        << QList<int>{0, 1, 1, 1, EsMpeg2Video, 1025, 1026}
        << QStringList{s("65535"), s("My TV Channel"), s("8190"), s("1027")};
    QTest::newRow("PIDs typed in hex in decimal notation")
        << false << QStringList{s("text:videoPID=0x1ffe"), s("text:audioPID= 0x20 ")}
        << QList<int>{0, 1, 1, 1, EsMpeg2Video, 8190, 32} << unchanged;
    QTest::newRow("empty name accepted")
        << false << QStringList{s("text:name=")} << QList<int>{0, 1, 1, 1, EsMpeg2Video, 1025, 1026}
        << QStringList{s("256"), QString(), s("1024"), s("1027")};
    QTest::newRow("unchecked teletext with invalid text")
        << false << QStringList{s("text:teletextPID=zz"), s("toggle:teletextEnabled")}
        << QList<int>{0, 1, 1, 0, EsMpeg2Video, 1025, 1026}
        << QStringList{s("256"), s("My TV Channel"), s("1024"), s("zz")};
    // The disabled video field still feeds the PCR PID: no number gives 0.
    QTest::newRow("unchecked video with invalid text")
        << false << QStringList{s("text:videoPID=junk"), s("toggle:videoEnabled")}
        << QList<int>{0, 0, 1, 1, EsMpeg2Video, 0, 1026} << unchanged;
    QTest::newRow("radio, unchecked audio out of range")
        << false << QStringList{s("choose:type=1"), s("text:audioPID=9000"), s("toggle:audioEnabled")}
        << QList<int>{1, 0, 0, 0, EsMpeg2Video, 1025, 9000} << unchanged;
}

void TestAddServiceDlg::answers()
{
    QFETCH(bool, hex);
    QFETCH(QStringList, steps);
    QFETCH(QList<int>, values);
    QFETCH(QStringList, texts);

    ScriptedPrompter prompter;
    AddServiceDlg dlg(hex, nullptr);
    ModalDriver driver;
    driver.schedule([&](QDialog *d) {
        perform(d, steps);
        clickBox(d, QDialogButtonBox::Ok);
    });
    QCOMPARE(dlg.exec(), 1);
    QVERIFY(!driver.stayedOpen);
    QCOMPARE(prompter.messages.size(), 0);

    const QList<int> got{dlg.serviceType(),     int(dlg.videoChecked()), int(dlg.audioChecked()),
                         int(dlg.teletextChecked()), dlg.videoStreamType(), int(dlg.videoPid()),
                         int(dlg.audioPid())};
    QCOMPARE(got, values);
    const QStringList gotTexts{dlg.serviceIdText(), dlg.nameText(), dlg.pmtPidText(),
                               dlg.teletextPidText()};
    QCOMPARE(gotTexts, texts);
}

void TestAddServiceDlg::refused_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("object");

    QTest::newRow("service id 0") << QStringList{s("text:serviceID=0")} << s("Service ID")
                                  << s("serviceID");
    QTest::newRow("service id 65536") << QStringList{s("text:serviceID=65536")} << s("Service ID")
                                      << s("serviceID");
    QTest::newRow("service id empty") << QStringList{s("text:serviceID=")} << s("Service ID")
                                      << s("serviceID");
    QTest::newRow("PMT 8191") << QStringList{s("text:pmtPID=8191")} << s("PMT PID") << s("pmtPID");
    QTest::newRow("video 8191") << QStringList{s("text:videoPID=8191")} << s("Video PID")
                                << s("videoPID");
    QTest::newRow("audio not a number") << QStringList{s("text:audioPID=0x")} << s("Audio PID")
                                        << s("audioPID");
    QTest::newRow("teletext checked and invalid") << QStringList{s("text:teletextPID=-1")}
                                                  << s("Teletext PID") << s("teletextPID");
    QTest::newRow("radio audio invalid") << QStringList{s("choose:type=1"), s("text:audioPID=x")}
                                         << s("Audio PID") << s("audioPID");
    QTest::newRow("first bad field wins")
        << QStringList{s("text:teletextPID=x"), s("text:pmtPID=9000"), s("text:serviceID=0")}
        << s("Service ID") << s("serviceID");
    QTest::newRow("PMT before video")
        << QStringList{s("text:videoPID=x"), s("text:pmtPID=9000")} << s("PMT PID") << s("pmtPID");
}

void TestAddServiceDlg::refused()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, field);
    QFETCH(QString, object);

    ScriptedPrompter prompter;
    AddServiceDlg dlg(false, nullptr);
    ModalDriver driver;
    driver.schedule([&](QDialog *d) {
        perform(d, steps);
        clickBox(d, QDialogButtonBox::Ok);
    });
    QCOMPARE(dlg.exec(), 0);
    QVERIFY(driver.stayedOpen);
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.messages.first().title, s("Invalid Value"));
    QVERIFY2(prompter.messages.first().text.contains(QLatin1Char('"') + field + QLatin1Char('"')),
             qPrintable(prompter.messages.first().text));
    QVERIFY(driver.focus);
    QCOMPARE(driver.focus->objectName(), object);
}

QTEST_MAIN(TestAddServiceDlg)
#include "test_addservicedlg.moc"
