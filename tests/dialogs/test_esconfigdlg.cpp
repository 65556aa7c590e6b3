#include <QtTest>

#include "../common/scriptedprompter.h"
#include "config/model.h"
#include "dialogs/esconfigdlg.h"
#include "modaldriver.h"

Q_DECLARE_METATYPE(ESCfg)

namespace {
ESCfg stream(int type, quint16 pid, const QString &language, int teletextPage = 100)
{
    ESCfg c;
    c.type = type;
    c.pid = pid;
    c.language = language;
    c.teletextPage = teletextPage;
    return c;
}
} // namespace

class TestESConfigDlg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void form();
    void run_data();
    void run();
    void refusedThenCorrected();
};

void TestESConfigDlg::form()
{
    ESConfigDlg dlg(nullptr);
    auto *type = child<QComboBox>(&dlg, "type");
    QCOMPARE(type->count(), 4);
    QCOMPARE(type->itemText(1), QStringLiteral("H264  Video"));
    QCOMPARE(type->currentIndex(), 0);
    QVERIFY(child<QLineEdit>(&dlg, "language")->maximumWidth() <= 48);
    // Accelerators reach their fields.
    for (const QLabel *l : dlg.findChildren<QLabel *>()) {
        if (l->text() == QLatin1String("&Type"))
            QCOMPARE(l->buddy(), static_cast<QWidget *>(type));
        if (l->text() == QLatin1String("&Language"))
            QCOMPARE(l->buddy(), static_cast<QWidget *>(child<QLineEdit>(&dlg, "language")));
    }
}

void TestESConfigDlg::run_data()
{
    QTest::addColumn<bool>("add");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<ESCfg>("start");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("shownType");
    QTest::addColumn<QString>("shownLanguage");
    QTest::addColumn<QString>("shownPid");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("warned"); // "PID" refused, dialog stayed open
    QTest::addColumn<ESCfg>("end");

    const ESCfg fresh;
    const QString addTitle = QStringLiteral("Add Elementary PID");
    const QString editTitle = QStringLiteral("Edit Elementary PID");

    QTest::newRow("add: OK at once refuses the empty PID")
        << true << false << fresh << QStringList() << true << addTitle << 0 << "" << "" << 0
        << true << fresh;
    // The record handed in for adding is not shown: the form starts blank.
    QTest::newRow("add: record not shown")
        << true << true << stream(EsTeletext, 300, QStringLiteral("fra"), 777) << QStringList()
        << false << addTitle << 0 << "" << "" << 0 << false
        << stream(EsTeletext, 300, QStringLiteral("fra"), 777);
    QTest::newRow("add: H264, padded language, 0x100")
        << true << false << stream(EsMpeg2Video, 0, QString(), 777)
        << QStringList{QStringLiteral("choose:type=1"), QStringLiteral("text:language=  deu "),
                       QStringLiteral("text:pid=0x100")}
        << true << addTitle << 0 << "" << "" << 1 << false
        << stream(EsH264Video, 256, QStringLiteral("deu"), 777);
    QTest::newRow("edit: H264 is the second item, hex PID")
        << false << true << stream(EsH264Video, 1025, QStringLiteral("deu")) << QStringList()
        << true << editTitle << 1 << "deu" << "0x0401" << 1 << false
        << stream(EsH264Video, 1025, QStringLiteral("deu"));
    QTest::newRow("edit: teletext is the fourth item, decimal PID")
        << false << false << stream(EsTeletext, 1025, QStringLiteral("eng"), 150) << QStringList()
        << true << editTitle << 3 << "eng" << "1025" << 1 << false
        << stream(EsTeletext, 1025, QStringLiteral("eng"), 150);
    QTest::newRow("edit: MPEG2 audio is the third item")
        << false << false << stream(EsMpeg2Audio, 33, QString()) << QStringList() << true
        << editTitle << 2 << "" << "33" << 1 << false << stream(EsMpeg2Audio, 33, QString());
    QTest::newRow("edit: unknown type selects nothing, reads as MPEG2 video")
        << false << false << stream(7, 40, QString()) << QStringList() << true << editTitle << -1
        << "" << "40" << 1 << false << stream(EsMpeg2Video, 40, QString());
    QTest::newRow("edit: 8190 accepted")
        << false << false << stream(EsMpeg2Video, 40, QString())
        << QStringList{QStringLiteral("text:pid=8190")} << true << editTitle << 0 << "" << "40"
        << 1 << false << stream(EsMpeg2Video, 8190, QString());
    QTest::newRow("edit: 8191 refused")
        << false << false << stream(EsMpeg2Video, 40, QString())
        << QStringList{QStringLiteral("text:pid=8191")} << true << editTitle << 0 << "" << "40"
        << 0 << true << stream(EsMpeg2Video, 40, QString());
    QTest::newRow("edit: 0x1fff refused")
        << false << true << stream(EsMpeg2Video, 40, QString())
        << QStringList{QStringLiteral("text:pid=0x1fff")} << true << editTitle << 0 << ""
        << "0x0028" << 0 << true << stream(EsMpeg2Video, 40, QString());
    QTest::newRow("edit: stray characters refused")
        << false << false << stream(EsMpeg2Video, 40, QString())
        << QStringList{QStringLiteral("text:pid=12x")} << true << editTitle << 0 << "" << "40"
        << 0 << true << stream(EsMpeg2Video, 40, QString());
    QTest::newRow("edit: language emptied")
        << false << false << stream(EsMpeg2Audio, 40, QStringLiteral("deu"))
        << QStringList{QStringLiteral("text:language=")} << true << editTitle << 2 << "deu"
        << "40" << 1 << false << stream(EsMpeg2Audio, 40, QString());
    QTest::newRow("edit: cancel after changing every field")
        << false << true << stream(EsTeletext, 1025, QStringLiteral("eng"), 150)
        << QStringList{QStringLiteral("choose:type=1"), QStringLiteral("text:language=fra"),
                       QStringLiteral("text:pid=77")}
        << false << editTitle << 3 << "eng" << "0x0401" << 0 << false
        << stream(EsTeletext, 1025, QStringLiteral("eng"), 150);
}

void TestESConfigDlg::run()
{
    QFETCH(bool, add);
    QFETCH(bool, hex);
    QFETCH(ESCfg, start);
    QFETCH(QStringList, steps);
    QFETCH(bool, ok);
    QFETCH(QString, title);
    QFETCH(int, shownType);
    QFETCH(QString, shownLanguage);
    QFETCH(QString, shownPid);
    QFETCH(int, result);
    QFETCH(bool, warned);
    QFETCH(ESCfg, end);

    ScriptedPrompter prompter;
    ESConfigDlg dlg(nullptr);
    ModalDriver driver;
    int type = -2;
    QString language, pid;
    driver.schedule([&](QDialog *d) {
        type = child<QComboBox>(d, "type")->currentIndex();
        language = child<QLineEdit>(d, "language")->text();
        pid = child<QLineEdit>(d, "pid")->text();
        perform(d, steps);
        clickBox(d, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
    });
    ESCfg cfg = start;
    QCOMPARE(dlg.exec(&cfg, add, hex), result);
    QVERIFY(driver.ran);
    QCOMPARE(driver.title, title);
    QCOMPARE(type, shownType);
    QCOMPARE(language, shownLanguage);
    QCOMPARE(pid, shownPid);

    QCOMPARE(driver.stayedOpen, warned);
    if (warned) {
        QCOMPARE(prompter.messages.size(), 1);
        QCOMPARE(prompter.messages.first().title, QStringLiteral("Invalid Value"));
        QVERIFY2(prompter.messages.first().text.contains(QStringLiteral("\"PID\"")),
                 qPrintable(prompter.messages.first().text));
        QCOMPARE(driver.focus.data(), static_cast<QWidget *>(child<QLineEdit>(&dlg, "pid")));
    } else {
        QVERIFY(prompter.messages.isEmpty());
    }

    QCOMPARE(cfg.type, end.type);
    QCOMPARE(cfg.pid, end.pid);
    QCOMPARE(cfg.language, end.language);
    QCOMPARE(cfg.teletextPage, end.teletextPage);
}

void TestESConfigDlg::refusedThenCorrected()
{
    ScriptedPrompter prompter;
    ESConfigDlg dlg(nullptr);
    ModalDriver driver;
    driver.schedule([&](QDialog *d) {
        typeInto(d, "pid", QStringLiteral("9000"));
        clickBox(d, QDialogButtonBox::Ok);
        typeInto(d, "pid", QStringLiteral("0x1ffe"));
        clickBox(d, QDialogButtonBox::Ok);
    });
    ESCfg cfg = stream(EsMpeg2Audio, 10, QStringLiteral("eng"), 200);
    QCOMPARE(dlg.exec(&cfg, false, false), 1);
    QVERIFY(!driver.stayedOpen);
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(cfg.pid, quint16(8190));
    QCOMPARE(cfg.type, int(EsMpeg2Audio));
    QCOMPARE(cfg.teletextPage, 200);
}

QTEST_MAIN(TestESConfigDlg)
#include "test_esconfigdlg.moc"
