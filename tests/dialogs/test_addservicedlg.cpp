#include <QtTest>

#include <QCheckBox>

#include "../common/modaldriver.h"
#include "config/model.h"
#include "dialogs/addservicedlg.h"

// Rows in tests/data/dialogs/addservicedlg.tsv, each followed by OK. The form
// is shown as which fields are enabled (1), then which boxes are checked; the
// result as exec(), service type, checked video/audio/teletext, video stream
// type, video and audio PID | the texts of service id, name, PMT and teletext
// PID | the PCR PID; or " ! " and the refusal; then, when given, whether the
// audio type is enabled and its code.
class TestAddServiceDlg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void run_data()
    {
        QTest::addColumn<QStringList>("row");
        QFile f(QStringLiteral(VELUNOR_TEST_DATA "/dialogs/addservicedlg.tsv"));
        QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
        for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1))
            QTest::newRow(qPrintable(line.section(QLatin1Char('\t'), 0, 0))) << line.split(QLatin1Char('\t'));
    }
    void run()
    {
        QFETCH(QStringList, row);
        ScriptedPrompter prompter;
        AddServiceDlg dlg(row.at(1) == QLatin1String("1"), nullptr);
        QString enables, audioType; // audioType: whether enabled
        ModalDriver driver([&](QDialog *d) {
            perform(d, row.at(2).split(QLatin1Char(';'), Qt::SkipEmptyParts));
            for (const char *name : {"videoEnabled", "videoPID", "streamTypeLabel", "streamType", "audioEnabled",
                                     "audioPID", "teletextEnabled", "teletextPID"})
                enables += QLatin1Char(child(d, QLatin1String(name))->isEnabled() ? '1' : '0');
            enables += QLatin1Char(' ');
            for (const char *name : {"videoEnabled", "audioEnabled", "teletextEnabled"})
                enables += QLatin1Char(child<QCheckBox>(d, QLatin1String(name))->isChecked() ? '1' : '0');
            audioType = QString::number(int(child(d, QStringLiteral("audioType"))->isEnabled()));
            clickBox(d, true);
        });
        const int result = dlg.exec();
        QCOMPARE(driver.title, QStringLiteral("Add a Service"));
        if (!row.at(3).isEmpty())
            QCOMPARE(enables, row.at(3));
        const QString refused = refusal(prompter, driver);
        QCOMPARE(refused.isEmpty()
                     ? QStringLiteral("%1: %2 %3%4%5 %6 %7 %8|%9|%10|%11|%12|%13")
                           .arg(result).arg(dlg.serviceType()).arg(int(dlg.videoChecked()))
                           .arg(int(dlg.audioChecked())).arg(int(dlg.teletextChecked()))
                           .arg(dlg.videoStreamType()).arg(dlg.videoPid()).arg(dlg.audioPid())
                           .arg(dlg.serviceIdText()).arg(dlg.nameText()).arg(dlg.pmtPidText())
                           .arg(dlg.teletextPidText()).arg(dlg.pcrPid())
                     : QString::number(result) + QStringLiteral(" ! ") + refused,
                 row.at(4));
        if (row.size() > 5)
            QCOMPARE(audioType + QLatin1Char(' ') + QString::number(dlg.audioStreamType()), row.at(5));
    }
};

QTEST_MAIN(TestAddServiceDlg)
#include "test_addservicedlg.moc"
