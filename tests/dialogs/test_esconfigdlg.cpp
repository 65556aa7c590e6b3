#include <QtTest>

#include "../common/modaldriver.h"
#include "config/model.h"
#include "dialogs/esconfigdlg.h"

class TestESConfigDlg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void run_data()
    {
        QTest::addColumn<bool>("add");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("start"); // type pid teletext-page language
        QTest::addColumn<QStringList>("steps"); // OK clicked afterwards, unless "Cancel"
        QTest::addColumn<QString>("shown");     // type index|language|pid when it opens
        QTest::addColumn<QString>("expected");  // exec() result: the record ! refusals
        QTest::newRow("add: OK at once refuses the empty PID") << true << false << "0 0 100 " << QStringList()
            << "0||" << "0: 0 0 100  ! PID@pid";
        // The record handed in for adding is not shown: the form starts blank.
        QTest::newRow("add: record not shown") << true << true << "2 300 777 fra" << QStringList{"Cancel"}
            << "0||" << "0: 2 300 777 fra";
        QTest::newRow("add: H264, padded language, 0x100") << true << false << "0 0 777 "
            << QStringList{"type=1", "language=  deu ", "pid=0x100"} << "0||" << "1: 3 256 777 deu";
        QTest::newRow("edit: H264 is the second item, hex PID") << false << true << "3 1025 100 deu"
            << QStringList() << "1|deu|0x0401" << "1: 3 1025 100 deu";
        QTest::newRow("edit: teletext is the fourth item, decimal PID") << false << false << "2 1025 150 eng"
            << QStringList() << "3|eng|1025" << "1: 2 1025 150 eng";
        QTest::newRow("edit: MPEG2 audio is the third item") << false << false << "1 33 100 " << QStringList()
            << "2||33" << "1: 1 33 100 ";
        QTest::newRow("edit: unknown type shown as an item of its own and kept") << false << false
            << "9 40 100 " << QStringList() << "4||40" << "1: 9 40 100 ";
        QTest::newRow("edit: 8190 accepted") << false << false << "0 40 100 " << QStringList{"pid=8190"}
            << "0||40" << "1: 0 8190 100 ";
        QTest::newRow("edit: 8191 refused") << false << false << "0 40 100 " << QStringList{"pid=8191"}
            << "0||40" << "0: 0 40 100  ! PID@pid";
        QTest::newRow("edit: 0x1fff refused") << false << true << "0 40 100 " << QStringList{"pid=0x1fff"}
            << "0||0x0028" << "0: 0 40 100  ! PID@pid";
        QTest::newRow("edit: stray characters refused") << false << false << "0 40 100 "
            << QStringList{"pid=12x"} << "0||40" << "0: 0 40 100  ! PID@pid";
        QTest::newRow("edit: language emptied") << false << false << "1 40 100 deu"
            << QStringList{"language="} << "2|deu|40" << "1: 1 40 100 ";
        QTest::newRow("edit: refused, then corrected") << false << false << "1 10 200 eng"
            << QStringList{"pid=9000", "OK", "pid=0x1ffe"} << "2|eng|10" << "1: 1 8190 200 eng ! PID";
        QTest::newRow("edit: cancel after changing every field") << false << true << "2 1025 150 eng"
            << QStringList{"type=1", "language=fra", "pid=77", "Cancel"} << "3|eng|0x0401" << "0: 2 1025 150 eng";
    }
    void run()
    {
        QFETCH(bool, add);
        QFETCH(bool, hex);
        QFETCH(QString, start);
        QFETCH(QStringList, steps);
        QFETCH(QString, shown);
        QFETCH(QString, expected);
        const bool cancel = steps.removeAll(QStringLiteral("Cancel")) > 0;
        ScriptedPrompter prompter;
        ESConfigDlg dlg(nullptr);
        QString opened;
        ModalDriver driver([&](QDialog *d) {
            opened = QString::number(child<QComboBox>(d, QStringLiteral("type"))->currentIndex())
                     + QLatin1Char('|') + child<QLineEdit>(d, QStringLiteral("language"))->text()
                     + QLatin1Char('|') + child<QLineEdit>(d, QStringLiteral("pid"))->text();
            perform(d, steps);
            clickBox(d, !cancel);
        });
        ESCfg cfg;
        cfg.type = start.section(QLatin1Char(' '), 0, 0).toInt();
        cfg.pid = start.section(QLatin1Char(' '), 1, 1).toUShort();
        cfg.teletextPage = start.section(QLatin1Char(' '), 2, 2).toInt();
        cfg.language = start.section(QLatin1Char(' '), 3);
        const int result = dlg.exec(&cfg, add, hex);
        QCOMPARE(driver.title, add ? QStringLiteral("Add Elementary PID") : QStringLiteral("Edit Elementary PID"));
        QCOMPARE(opened, shown);
        const QString refused = refusal(prompter, driver);
        QCOMPARE(QStringLiteral("%1: %2 %3 %4 %5").arg(result).arg(cfg.type).arg(cfg.pid).arg(cfg.teletextPage)
                         .arg(cfg.language)
                     + (refused.isEmpty() ? QString() : QStringLiteral(" ! ") + refused),
                 expected);
    }
};

QTEST_MAIN(TestESConfigDlg)
#include "test_esconfigdlg.moc"
