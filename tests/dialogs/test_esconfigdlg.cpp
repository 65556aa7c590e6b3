#include <QtTest>

#include "../common/modaldriver.h"
#include "config/model.h"
#include "dialogs/esconfigdlg.h"

// Rows in tests/data/dialogs/esconfigdlg.tsv; steps are followed by OK unless one is "Cancel".
class TestESConfigDlg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void run_data()
    {
        QTest::addColumn<QStringList>("row");
        QFile f(QStringLiteral(VELUNOR_TEST_DATA "/dialogs/esconfigdlg.tsv"));
        QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
        for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1))
            QTest::newRow(qPrintable(line.section(QLatin1Char('\t'), 0, 0))) << line.split(QLatin1Char('\t'));
    }
    void run()
    {
        QFETCH(QStringList, row);
        const bool add = row.at(1) == QLatin1String("1"), hex = row.at(2) == QLatin1String("1");
        QStringList steps = row.at(4).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        const bool cancel = steps.removeAll(QStringLiteral("Cancel")) > 0;
        ScriptedPrompter prompter;
        ESConfigDlg dlg(nullptr);
        QString opened;
        ModalDriver driver([&](QDialog *d) {
            opened = QString::number(child<QComboBox>(d, QStringLiteral("type"))->currentIndex()) + QLatin1Char('|')
                     + child<QLineEdit>(d, QStringLiteral("language"))->text() + QLatin1Char('|')
                     + child<QLineEdit>(d, QStringLiteral("pid"))->text();
            perform(d, steps);
            clickBox(d, !cancel);
        });
        const QString start = row.at(3);
        ESCfg cfg;
        cfg.type = start.section(QLatin1Char(' '), 0, 0).toInt();
        cfg.pid = start.section(QLatin1Char(' '), 1, 1).toUShort();
        cfg.teletextPage = start.section(QLatin1Char(' '), 2, 2).toInt();
        cfg.language = start.section(QLatin1Char(' '), 3);
        const int result = dlg.exec(&cfg, add, hex);
        QCOMPARE(driver.title, add ? QStringLiteral("Add Elementary PID") : QStringLiteral("Edit Elementary PID"));
        QCOMPARE(opened, row.at(5));
        const QString refused = refusal(prompter, driver);
        QCOMPARE(QStringLiteral("%1: %2 %3 %4 %5").arg(result).arg(cfg.type).arg(cfg.pid).arg(cfg.teletextPage)
                         .arg(cfg.language)
                     + (refused.isEmpty() ? QString() : QStringLiteral(" ! ") + refused),
                 row.at(6));
    }
};

QTEST_MAIN(TestESConfigDlg)
#include "test_esconfigdlg.moc"
