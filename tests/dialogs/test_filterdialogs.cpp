#include <QtTest>

#include "../common/scriptedprompter.h"
#include "config/model.h"
#include "dialogs/filterconfigdlg.h"
#include "dialogs/simplefilterconfigdlg.h"
#include "modaldriver.h"

Q_DECLARE_METATYPE(FilterCfg)

namespace {
QString s(const char *text)
{
    return QString::fromLatin1(text);
}

FilterCfg rule(int match, int input, quint32 a, quint32 b, int action, int newBase)
{
    FilterCfg f;
    f.match = match;
    f.input = input;
    f.a = a;
    f.b = b;
    f.action = action;
    f.newBase = newBase;
    return f;
}

QString dump(const FilterCfg &f)
{
    return QStringLiteral("match %1 input %2 a %3 b %4 action %5 new-base %6")
        .arg(f.match).arg(f.input).arg(f.a).arg(f.b).arg(f.action).arg(f.newBase);
}

// What the full dialog shows: matchType, input, labelA, labelB, matchA,
// matchB, actionType, newBase, and whether New Base (label and field) is enabled.
QStringList fullForm(QWidget *d)
{
    const bool label = child<QLabel>(d, "newBaseLabel")->isEnabled();
    const bool field = child<QLineEdit>(d, "newBase")->isEnabled();
    return {QString::number(child<QComboBox>(d, "matchType")->currentIndex()),
            QString::number(child<QComboBox>(d, "input")->currentIndex()),
            child<QLabel>(d, "labelA")->text(),
            child<QLabel>(d, "labelB")->text(),
            child<QLineEdit>(d, "matchA")->text(),
            child<QLineEdit>(d, "matchB")->text(),
            QString::number(child<QComboBox>(d, "actionType")->currentIndex()),
            child<QLineEdit>(d, "newBase")->text(),
            label == field ? QString::number(int(field)) : s("label and field differ")};
}
} // namespace

class TestFilterDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void forms();
    void simple_data();
    void simple();
    void full_data();
    void full();

private:
    static void addWarningColumns();
    static void checkWarning(const ScriptedPrompter &prompter, const ModalDriver &driver,
                             const QString &field, const QString &object);
};

void TestFilterDialogs::forms()
{
    SimpleFilterConfigDlg simple(nullptr);
    QCOMPARE(simple.windowTitle(), s("Simple Remapping"));
    QCOMPARE(child<QComboBox>(&simple, "input")->count(), 5);
    QCOMPARE(child<QComboBox>(&simple, "input")->itemText(2), s("Port 2"));
    QVERIFY(child<QLineEdit>(&simple, "oldPID")->maximumWidth() <= 64);
    QVERIFY(child<QLineEdit>(&simple, "newPID")->maximumWidth() <= 64);

    FilterConfigDlg full(nullptr);
    QCOMPARE(full.windowTitle(), s("Dialog"));
    auto *matchType = child<QComboBox>(&full, "matchType");
    QCOMPARE(matchType->itemText(0), s("Range"));
    QCOMPARE(matchType->itemText(1), s("Mask"));
    auto *actionType = child<QComboBox>(&full, "actionType");
    QCOMPARE(actionType->count(), 3);
    QCOMPARE(actionType->itemText(ActionDrop), s("Drop"));
    QCOMPARE(actionType->itemText(ActionRemap), s("Remap"));
    QCOMPARE(actionType->itemText(ActionPass), s("Pass"));
    QCOMPARE(child<QComboBox>(&full, "input")->count(), 5);
    // A freshly built form: range labels, New Base disabled.
    QCOMPARE(fullForm(&full),
             QStringList({s("0"), s("0"), s("From"), s("<= PID <="), QString(), QString(), s("0"),
                          QString(), s("0")}));
    for (const char *name : {"matchA", "matchB", "newBase"})
        QVERIFY(child<QLineEdit>(&full, name)->maximumWidth() <= 64);
}

void TestFilterDialogs::addWarningColumns()
{
    QTest::addColumn<QString>("field");  // expected warning, empty: none
    QTest::addColumn<QString>("object"); // where the focus goes, empty: not checked
}

void TestFilterDialogs::checkWarning(const ScriptedPrompter &prompter, const ModalDriver &driver,
                                     const QString &field, const QString &object)
{
    QCOMPARE(driver.stayedOpen, !field.isEmpty());
    if (field.isEmpty()) {
        QCOMPARE(prompter.messages.size(), 0);
        return;
    }
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.messages.first().title, s("Invalid Value"));
    QVERIFY2(prompter.messages.first().text.contains(QLatin1Char('"') + field + QLatin1Char('"')),
             qPrintable(prompter.messages.first().text));
    if (!object.isEmpty()) {
        QVERIFY(driver.focus);
        QCOMPARE(driver.focus->objectName(), object);
    }
}

void TestFilterDialogs::simple_data()
{
    QTest::addColumn<FilterCfg>("start");
    QTest::addColumn<bool>("add");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("shown"); // title, input, oldPID, newPID
    QTest::addColumn<int>("result");
    QTest::addColumn<FilterCfg>("end");
    addWarningColumns();

    const FilterCfg fresh;
    const QStringList freshShown{s("Add Simple Remap"), s("0"), s("0"), s("4096")};

    QTest::newRow("0x100 to 0x200 on port 2")
        << fresh << true
        << QStringList{s("choose:input=2"), s("text:oldPID=0x100"), s("text:newPID=0x200")} << true
        << freshShown << 1 << rule(MatchRange, 2, 256, 256, ActionRemap, 512) << QString()
        << QString();
    QTest::newRow("unchanged default becomes a one-PID remap")
        << fresh << true << QStringList() << true << freshShown << 1
        << rule(MatchRange, 0, 0, 0, ActionRemap, 4096) << QString() << QString();
    // No notation argument: the quick form is always decimal.
    QTest::newRow("edit shows decimal")
        << rule(MatchMask, 3, 300, 0x1f00, ActionDrop, 5000) << false << QStringList() << true
        << QStringList{s("Edit Simple Remap"), s("3"), s("300"), s("5000")} << 1
        << rule(MatchRange, 3, 300, 300, ActionRemap, 5000) << QString() << QString();
    QTest::newRow("8191 accepted")
        << fresh << true << QStringList{s("text:oldPID=8191"), s("text:newPID=0x1fff")} << true
        << freshShown << 1 << rule(MatchRange, 0, 8191, 8191, ActionRemap, 8191) << QString()
        << QString();
    QTest::newRow("old PID 8192 refused")
        << fresh << true << QStringList{s("text:oldPID=8192")} << true << freshShown << 0 << fresh
        << s("Old PID") << s("oldPID");
    QTest::newRow("new PID 8192 refused")
        << fresh << true << QStringList{s("text:newPID=8192")} << true << freshShown << 0 << fresh
        << s("New PID") << s("newPID");
    QTest::newRow("old PID empty refused")
        << fresh << true << QStringList{s("text:oldPID=")} << true << freshShown << 0 << fresh
        << s("Old PID") << s("oldPID");
    QTest::newRow("old PID checked before new PID")
        << fresh << true << QStringList{s("text:newPID=x"), s("text:oldPID=-5")} << true
        << freshShown << 0 << fresh << s("Old PID") << s("oldPID");
    QTest::newRow("cancel after changing every field")
        << fresh << true
        << QStringList{s("choose:input=4"), s("text:oldPID=17"), s("text:newPID=18")} << false
        << freshShown << 0 << fresh << QString() << QString();
}

void TestFilterDialogs::simple()
{
    QFETCH(FilterCfg, start);
    QFETCH(bool, add);
    QFETCH(QStringList, steps);
    QFETCH(bool, ok);
    QFETCH(QStringList, shown);
    QFETCH(int, result);
    QFETCH(FilterCfg, end);
    QFETCH(QString, field);
    QFETCH(QString, object);

    ScriptedPrompter prompter;
    SimpleFilterConfigDlg dlg(nullptr);
    ModalDriver driver;
    QStringList form;
    driver.schedule([&](QDialog *d) {
        form = QStringList{d->windowTitle(),
                           QString::number(child<QComboBox>(d, "input")->currentIndex()),
                           child<QLineEdit>(d, "oldPID")->text(),
                           child<QLineEdit>(d, "newPID")->text()};
        perform(d, steps);
        clickBox(d, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
    });
    FilterCfg cfg = start;
    QCOMPARE(dlg.exec(&cfg, add), result);
    QVERIFY(driver.ran);
    QCOMPARE(form, shown);
    checkWarning(prompter, driver, field, object);
    QCOMPARE(dump(cfg), dump(end));
}

void TestFilterDialogs::full_data()
{
    QTest::addColumn<FilterCfg>("start");
    QTest::addColumn<bool>("add");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("shown"); // fullForm() when the dialog opens
    QTest::addColumn<QStringList>("after"); // labelA, labelB, New Base enabled after the steps
    QTest::addColumn<int>("result");
    QTest::addColumn<FilterCfg>("end");
    addWarningColumns();

    const FilterCfg fresh;
    const FilterCfg mask = rule(MatchMask, 1, 0x1f00, 0x100, ActionDrop, 4096);
    const FilterCfg remap = rule(MatchRange, 2, 256, 511, ActionRemap, 4096);
    const QString add = s("Add Filter Rule");
    const QString edit = s("Edit Filter Rule");
    const QStringList freshDec{s("0"), s("0"), s("From"), s("<= PID <="), s("0"),
                               s("8191"), s("2"), s("4096"), s("0")};
    const QStringList freshHex{s("0"), s("0"), s("From"), s("<= PID <="), s("0x0000"),
                               s("0x1fff"), s("2"), s("0x1000"), s("0")};
    const QStringList rangeDisabled{s("From"), s("<= PID <="), s("0")};
    const QStringList remapDec{s("0"), s("2"), s("From"), s("<= PID <="), s("256"),
                               s("511"), s("1"), s("4096"), s("1")};

    QTest::newRow("add default unchanged")
        << fresh << true << false << QStringList() << true << add << freshDec << rangeDisabled
        << 1 << fresh << QString() << QString();
    QTest::newRow("mask rule shows mask labels")
        << mask << false << true << QStringList() << true << edit
        << QStringList{s("1"), s("1"), s("PID and"), s("="), s("0x1f00"), s("0x0100"), s("0"),
                       s("0x1000"), s("0")}
        << QStringList{s("PID and"), s("="), s("0")} << 1 << mask << QString() << QString();
    QTest::newRow("mask switched to range")
        << mask << false << false << QStringList{s("choose:matchType=0")} << true << edit
        << QStringList{s("1"), s("1"), s("PID and"), s("="), s("7936"), s("256"), s("0"),
                       s("4096"), s("0")}
        << rangeDisabled << 1 << rule(MatchRange, 1, 0x1f00, 0x100, ActionDrop, 4096) << QString()
        << QString();
    QTest::newRow("range switched to mask")
        << fresh << false << false << QStringList{s("choose:matchType=1")} << true << edit
        << freshDec << QStringList{s("PID and"), s("="), s("0")} << 1
        << rule(MatchMask, 0, 0, 8191, ActionPass, 4096) << QString() << QString();
    QTest::newRow("pass rule: New Base disabled but filled, Remap enables it")
        << fresh << false << true << QStringList{s("choose:actionType=1")} << true << edit
        << freshHex << QStringList{s("From"), s("<= PID <="), s("1")} << 1
        << rule(MatchRange, 0, 0, 8191, ActionRemap, 4096) << QString() << QString();
    QTest::newRow("remap rule opens with New Base enabled")
        << remap << false << false << QStringList() << true << edit << remapDec
        << QStringList{s("From"), s("<= PID <="), s("1")} << 1 << remap << QString() << QString();
    QTest::newRow("drop still writes New Base")
        << remap << false << false
        << QStringList{s("text:newBase=0x200"), s("choose:actionType=0")} << true << edit
        << remapDec << rangeDisabled << 1 << rule(MatchRange, 2, 256, 511, ActionDrop, 512)
        << QString() << QString();
    // The field cannot take the focus while disabled; the warning still names it.
    QTest::newRow("empty New Base refused while disabled")
        << remap << false << false << QStringList{s("text:newBase="), s("choose:actionType=0")}
        << true << edit << remapDec << rangeDisabled << 0 << remap << s("New Base") << QString();
    QTest::newRow("New Base 8192 refused")
        << remap << false << false << QStringList{s("text:newBase=8192")} << true << edit
        << remapDec << QStringList{s("From"), s("<= PID <="), s("1")} << 0 << remap
        << s("New Base") << s("newBase");
    QTest::newRow("8191 accepted")
        << remap << false << false
        << QStringList{s("text:matchA=8191"), s("text:matchB=0x1FFF"), s("text:newBase=8191")}
        << true << edit << remapDec << QStringList{s("From"), s("<= PID <="), s("1")} << 1
        << rule(MatchRange, 2, 8191, 8191, ActionRemap, 8191) << QString() << QString();
    QTest::newRow("left 8192 refused")
        << fresh << true << false << QStringList{s("text:matchA=8192")} << true << add << freshDec
        << rangeDisabled << 0 << fresh << s("Left match value") << s("matchA");
    QTest::newRow("right 8192 refused")
        << fresh << true << false << QStringList{s("text:matchB=8192")} << true << add << freshDec
        << rangeDisabled << 0 << fresh << s("Right match value") << s("matchB");
    QTest::newRow("left checked first")
        << remap << false << false
        << QStringList{s("text:newBase=x"), s("text:matchB=x"), s("text:matchA=x")} << true
        << edit << remapDec << QStringList{s("From"), s("<= PID <="), s("1")} << 0 << remap
        << s("Left match value") << s("matchA");
    QTest::newRow("right checked before New Base")
        << remap << false << false << QStringList{s("text:newBase=x"), s("text:matchB=")} << true
        << edit << remapDec << QStringList{s("From"), s("<= PID <="), s("1")} << 0 << remap
        << s("Right match value") << s("matchB");
    QTest::newRow("port 4, drop, hex typed in decimal notation")
        << fresh << true << false
        << QStringList{s("choose:input=4"), s("text:matchA=0x10"), s("text:matchB=010"),
                       s("choose:actionType=0")}
        << true << add << freshDec << rangeDisabled << 1
        << rule(MatchRange, 4, 16, 8, ActionDrop, 4096) << QString() << QString();
    QTest::newRow("cancel after changing every field")
        << rule(MatchMask, 3, 5, 7, ActionRemap, 300) << false << false
        << QStringList{s("choose:matchType=0"), s("choose:input=1"), s("text:matchA=1"),
                       s("text:matchB=2"), s("text:newBase=3"), s("choose:actionType=2")}
        << false << edit
        << QStringList{s("1"), s("3"), s("PID and"), s("="), s("5"), s("7"), s("1"), s("300"),
                       s("1")}
        << rangeDisabled << 0 << rule(MatchMask, 3, 5, 7, ActionRemap, 300) << QString()
        << QString();
}

void TestFilterDialogs::full()
{
    QFETCH(FilterCfg, start);
    QFETCH(bool, add);
    QFETCH(bool, hex);
    QFETCH(QStringList, steps);
    QFETCH(bool, ok);
    QFETCH(QString, title);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, after);
    QFETCH(int, result);
    QFETCH(FilterCfg, end);
    QFETCH(QString, field);
    QFETCH(QString, object);

    ScriptedPrompter prompter;
    FilterConfigDlg dlg(nullptr);
    ModalDriver driver;
    QStringList opened, changed;
    driver.schedule([&](QDialog *d) {
        opened = fullForm(d);
        perform(d, steps);
        const QStringList now = fullForm(d);
        changed = QStringList{now.at(2), now.at(3), now.at(8)};
        clickBox(d, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
    });
    FilterCfg cfg = start;
    QCOMPARE(dlg.exec(&cfg, add, hex), result);
    QVERIFY(driver.ran);
    QCOMPARE(driver.title, title);
    QCOMPARE(opened, shown);
    QCOMPARE(changed, after);
    checkWarning(prompter, driver, field, object);
    QCOMPARE(dump(cfg), dump(end));
}

QTEST_MAIN(TestFilterDialogs)
#include "test_filterdialogs.moc"
