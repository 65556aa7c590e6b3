#include <QtTest>

#include <QCheckBox>

#include "../common/modaldriver.h"
#include "config/model.h"
#include "dialogs/addservicedlg.h"

namespace {
// Which of videoEnabled, videoPID, streamTypeLabel, streamType, audioEnabled,
// audioPID, teletextEnabled, teletextPID are enabled (1), then which of the
// three boxes are checked.
QString states(QWidget *d)
{
    QString out;
    for (const char *name : {"videoEnabled", "videoPID", "streamTypeLabel", "streamType", "audioEnabled",
                             "audioPID", "teletextEnabled", "teletextPID"})
        out += QLatin1Char(child(d, QLatin1String(name))->isEnabled() ? '1' : '0');
    out += QLatin1Char(' ');
    for (const char *name : {"videoEnabled", "audioEnabled", "teletextEnabled"})
        out += QLatin1Char(child<QCheckBox>(d, QLatin1String(name))->isChecked() ? '1' : '0');
    return out;
}
} // namespace

class TestAddServiceDlg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initialTexts()
    {
        for (bool hex : {false, true}) {
            AddServiceDlg dlg(hex, nullptr);
            QStringList shown;
            for (const char *name : {"serviceID", "pmtPID", "videoPID", "audioPID", "teletextPID"})
                shown << child<QLineEdit>(&dlg, QLatin1String(name))->text();
            QCOMPARE(shown.join(QLatin1Char('|')), hex ? QStringLiteral("0x0100|0x0400|0x0401|0x0402|0x0403")
                                                       : QStringLiteral("256|1024|1025|1026|1027"));
        }
    }

    void run_data()
    {
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QStringList>("steps"); // then OK
        QTest::addColumn<QString>("shown");     // states() after the steps, empty: not checked
        // exec(): service type, checked video/audio/teletext, video stream type, video and audio
        // PID | the texts of service id, name, PMT PID, teletext PID; or " ! " and the refusal.
        QTest::addColumn<QString>("expected");
        const QString texts = QStringLiteral("|256|My TV Channel|1024|1027");
        QTest::newRow("unchanged television") << false << QStringList() << "11111111 111"
            << "1: 0 111 0 1025 1026" + texts;
        QTest::newRow("unchanged, hexadecimal") << true << QStringList() << "11111111 111"
            << "1: 0 111 0 1025 1026|0x0100|My TV Channel|0x0400|0x0403";
        QTest::newRow("video unchecked") << false << QStringList{"videoEnabled"} << "10001111 011"
            << "1: 0 011 0 1025 1026" + texts;
        QTest::newRow("H.264 video") << false << QStringList{"streamType=1"} << "11111111 111"
            << "1: 0 111 3 1025 1026" + texts;
        QTest::newRow("radio with audio") << false << QStringList{"type=1"} << "00001100 010"
            << "1: 1 010 0 1025 1026" + texts;
        QTest::newRow("radio without audio") << false << QStringList{"type=1", "audioEnabled"} << "00001000 000"
            << "1: 1 000 0 1025 1026" + texts;
        QTest::newRow("radio and back to television leaves video and teletext unchecked") << false
            << QStringList{"type=1", "type=0"} << "10001110 010" << "1: 0 010 0 1025 1026" + texts;
        QTest::newRow("back to television, video checked again") << false
            << QStringList{"type=1", "type=0", "videoEnabled"} << "11111110 110" << "1: 0 110 0 1025 1026" + texts;
        QTest::newRow("television with only audio") << false << QStringList{"videoEnabled", "teletextEnabled"}
            << "10001110 010" << "1: 0 010 0 1025 1026" + texts;
        QTest::newRow("service id 65535, PMT 8190") << false << QStringList{"serviceID=65535", "pmtPID=8190"}
            << "" << "1: 0 111 0 1025 1026|65535|My TV Channel|8190|1027";
        QTest::newRow("PIDs typed in hex in decimal notation") << false
            << QStringList{"videoPID=0x1ffe", "audioPID= 0x20 "} << "" << "1: 0 111 0 8190 32" + texts;
        QTest::newRow("unchecked teletext with invalid text") << false
            << QStringList{"teletextPID=zz", "teletextEnabled"} << "" << "1: 0 110 0 1025 1026|256|My TV Channel|1024|zz";
        // The disabled video field still feeds the PCR PID: no number gives 0.
        QTest::newRow("unchecked video with invalid text") << false << QStringList{"videoPID=junk", "videoEnabled"}
            << "" << "1: 0 011 0 0 1026" + texts;
        QTest::newRow("radio, unchecked audio out of range") << false
            << QStringList{"type=1", "audioPID=9000", "audioEnabled"} << "" << "1: 1 000 0 1025 9000" + texts;

        QTest::newRow("service id 0") << false << QStringList{"serviceID=0"} << "" << "0 ! Service ID@serviceID";
        QTest::newRow("PMT 8191") << false << QStringList{"pmtPID=8191"} << "" << "0 ! PMT PID@pmtPID";
        QTest::newRow("video 8191") << false << QStringList{"videoPID=8191"} << "" << "0 ! Video PID@videoPID";
        QTest::newRow("teletext checked and invalid") << false << QStringList{"teletextPID=-1"} << ""
            << "0 ! Teletext PID@teletextPID";
        QTest::newRow("radio audio invalid") << false << QStringList{"type=1", "audioPID=x"} << ""
            << "0 ! Audio PID@audioPID";
        QTest::newRow("first bad field wins") << false
            << QStringList{"teletextPID=x", "pmtPID=9000", "serviceID=0"} << "" << "0 ! Service ID@serviceID";
        QTest::newRow("PMT before video") << false << QStringList{"videoPID=x", "pmtPID=9000"} << ""
            << "0 ! PMT PID@pmtPID";
    }
    void run()
    {
        QFETCH(bool, hex);
        QFETCH(QStringList, steps);
        QFETCH(QString, shown);
        QFETCH(QString, expected);
        ScriptedPrompter prompter;
        AddServiceDlg dlg(hex, nullptr);
        QString enables;
        ModalDriver driver([&](QDialog *d) {
            perform(d, steps);
            enables = states(d);
            clickBox(d, true);
        });
        const int result = dlg.exec();
        QCOMPARE(driver.title, QStringLiteral("Add a Service"));
        if (!shown.isEmpty())
            QCOMPARE(enables, shown);
        const QString refused = refusal(prompter, driver);
        QCOMPARE(refused.isEmpty()
                     ? QStringLiteral("%1: %2 %3%4%5 %6 %7 %8|%9|%10|%11|%12")
                           .arg(result).arg(dlg.serviceType()).arg(int(dlg.videoChecked()))
                           .arg(int(dlg.audioChecked())).arg(int(dlg.teletextChecked()))
                           .arg(dlg.videoStreamType()).arg(dlg.videoPid()).arg(dlg.audioPid())
                           .arg(dlg.serviceIdText()).arg(dlg.nameText()).arg(dlg.pmtPidText())
                           .arg(dlg.teletextPidText())
                     : QString::number(result) + QStringLiteral(" ! ") + refused,
                 expected);
    }
};

QTEST_MAIN(TestAddServiceDlg)
#include "test_addservicedlg.moc"
