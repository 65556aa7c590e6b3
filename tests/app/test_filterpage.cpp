#include <QtTest>

#include "pagedriver.h"

Q_DECLARE_METATYPE(FilterCfg)

// The PID filter page driven through its list, buttons, context menu and the
// real rule dialogs: what each entry reads, which dialog edits what, and that
// the rule order and the changed flag follow only accepted operations.
class TestFilterPage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { win.reset(); }

    void entryTexts_data();
    void entryTexts();
    void addRule_data();
    void addRule();
    void roundTrip_data();
    void roundTrip();
    void cancelLeavesModel_data();
    void cancelLeavesModel();
    void remove_data();
    void remove();
    void move_data();
    void move();

private:
    void open(const TransportStreamCfg &cfg, bool hex = false)
    {
        win = std::make_unique<Window>(cfg, hex, 1);
    }
    QListWidget *list() { return win->list("filters"); }

    std::unique_ptr<Window> win;
};

namespace {

FilterCfg rule(int match, int input, int a, int b, int action, int newBase)
{
    FilterCfg f;
    f.match = match;
    f.input = input;
    f.a = quint32(a);
    f.b = quint32(b);
    f.action = action;
    f.newBase = newBase;
    return f;
}

// Rules told apart by their new base: 100, 101, ...
TransportStreamCfg numberedRules(int count)
{
    TransportStreamCfg cfg;
    for (int i = 0; i < count; ++i)
        cfg.filters.append(rule(MatchRange, i % 5, i, i + 10, ActionRemap, 100 + i));
    return cfg;
}

QList<int> order(const TransportStreamCfg &cfg)
{
    QList<int> bases;
    for (const FilterCfg &f : cfg.filters)
        bases.append(f.newBase - 100);
    return bases;
}

QString describe(const FilterCfg &f)
{
    return QStringLiteral("match %1 input %2 a %3 b %4 action %5 base %6")
        .arg(f.match).arg(f.input).arg(f.a).arg(f.b).arg(f.action).arg(f.newBase);
}

// The advanced dialog filled as an operator does: the action is set to remap
// first, so that the new base can be typed, then to its own value.
QStringList advancedSteps(const FilterCfg &f)
{
    return {QStringLiteral("matchType=%1").arg(f.match), QStringLiteral("input=%1").arg(f.input),
            QStringLiteral("matchA=%1").arg(f.a), QStringLiteral("matchB=%1").arg(f.b),
            QStringLiteral("actionType=%1").arg(ActionRemap),
            QStringLiteral("newBase=%1").arg(f.newBase), QStringLiteral("actionType=%1").arg(f.action)};
}

} // namespace

void TestFilterPage::entryTexts_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<FilterCfg>("filter");
    QTest::addColumn<QString>("text");

    QTest::newRow("default rule, hex") << true << FilterCfg() << "Input Any, 0x0000 <= PID <= 0x1fff: Pass";
    QTest::newRow("default rule, decimal") << false << FilterCfg() << "Input Any, 0 <= PID <= 8191: Pass";
    QTest::newRow("one PID remapped, decimal")
        << false << rule(MatchRange, 2, 256, 256, ActionRemap, 4096) << "Input Port 2, PID = 256: Remap to base 4096";
    QTest::newRow("one PID remapped, hex")
        << true << rule(MatchRange, 2, 256, 256, ActionRemap, 4096)
        << "Input Port 2, PID = 0x0100: Remap to base 0x1000";
    QTest::newRow("mask drop, hex")
        << true << rule(MatchMask, 4, 0x1ff0, 0x0010, ActionDrop, 0) << "Input Port 4, PID and 0x1ff0 = 0x0010: Drop";
    QTest::newRow("mask with equal values is no single PID")
        << false << rule(MatchMask, 1, 16, 16, ActionPass, 4096) << "Input Port 1, PID and 16 = 16: Pass";
    QTest::newRow("port 3 range drop")
        << false << rule(MatchRange, 3, 32, 8190, ActionDrop, 4096) << "Input Port 3, 32 <= PID <= 8190: Drop";
    QTest::newRow("unknown codes") << false << rule(5, 9, 1, 2, 3, 4096) << "Input ?, ?";
}

void TestFilterPage::entryTexts()
{
    QFETCH(bool, hex);
    QFETCH(FilterCfg, filter);
    QFETCH(QString, text);

    TransportStreamCfg cfg;
    cfg.filters = {rule(MatchRange, 0, 1, 1, ActionDrop, 0), filter};
    open(cfg, hex);
    QCOMPARE(texts(list()), (QStringList{"Input Any, PID = " + QString(hex ? "0x0001" : "1") + ": Drop", text}));
    QCOMPARE(list()->currentItem(), nullptr);
    QVERIFY(!win->w->isChanged());
}

void TestFilterPage::addRule_data()
{
    QTest::addColumn<QString>("how"); // a button, or "menu" for the list's context menu
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<FilterCfg>("expected");
    QTest::addColumn<QString>("dialog");

    QTest::newRow("simple, hex PIDs on port 2")
        << "addRemap" << QStringList{"input=2", "oldPID=0x100", "newPID=0x200"}
        << rule(MatchRange, 2, 256, 256, ActionRemap, 512) << "SimpleFilterConfigDlg/Add Simple Remap";
    QTest::newRow("simple, bounds on any input")
        << "addRemap" << QStringList{"input=0", "oldPID=8191", "newPID=0"}
        << rule(MatchRange, 0, 8191, 8191, ActionRemap, 0) << "SimpleFilterConfigDlg/Add Simple Remap";
    const FilterCfg advanced[] = {rule(MatchMask, 3, 0x1ff0, 0x10, ActionDrop, 77),
                                  rule(MatchRange, 4, 0, 8191, ActionPass, 4096),
                                  rule(MatchRange, 1, 32, 63, ActionRemap, 8191)};
    for (const FilterCfg &f : advanced)
        QTest::addRow("advanced, %s", qPrintable(describe(f)))
            << "addFilter" << advancedSteps(f) << f << "FilterConfigDlg/Add Filter Rule";
    QTest::newRow("advanced from the menu")
        << "menu" << advancedSteps(advanced[0]) << advanced[0] << "FilterConfigDlg/Add Filter Rule";
}

void TestFilterPage::addRule()
{
    QFETCH(QString, how);
    QFETCH(QStringList, steps);
    QFETCH(FilterCfg, expected);
    QFETCH(QString, dialog);

    const TransportStreamCfg before = numberedRules(2);
    open(before);
    ModalDriver driver([&](QDialog *d) { perform(d, steps << "OK"); });
    if (how == "menu")
        QCOMPARE(contextMenu(list(), -1, "&Add filter..."), QStringList{"&Add filter..."});
    else
        win->click(how.toLatin1().constData());

    QCOMPARE(driver.className + '/' + driver.title, dialog);
    QCOMPARE(win->doc().filters.mid(0, 2), before.filters);
    QCOMPARE(win->doc().filters.size(), 3);
    QVERIFY2(win->doc().filters.at(2) == expected, qPrintable(describe(win->doc().filters.at(2))));
    QVERIFY(win->w->isChanged());
    QCOMPARE(texts(list()).size(), 3);
    QCOMPARE(list()->currentItem(), nullptr);
}

void TestFilterPage::roundTrip_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<FilterCfg>("filter");
    QTest::addColumn<QString>("shownA"); // the simple rule's PID in the edit dialog

    const FilterCfg rules[] = {FilterCfg(), rule(MatchMask, 4, 0x1fff, 0x1ffe, ActionDrop, 0),
                               rule(MatchRange, 3, 8191, 8191, ActionRemap, 8191),
                               rule(MatchRange, 1, 256, 9, ActionPass, 1)};
    const char *hexA[] = {"0x0000", "0x1fff", "0x1fff", "0x0100"};
    const char *decA[] = {"0", "8191", "8191", "256"};
    for (int i = 0; i < 4; ++i) {
        QTest::addRow("%s, hex", qPrintable(describe(rules[i]))) << true << rules[i] << hexA[i];
        QTest::addRow("%s, decimal", qPrintable(describe(rules[i]))) << false << rules[i] << decA[i];
    }
}

void TestFilterPage::roundTrip()
{
    QFETCH(bool, hex);
    QFETCH(FilterCfg, filter);
    QFETCH(QString, shownA);

    TransportStreamCfg cfg;
    cfg.filters = {filter};
    open(cfg, hex);

    // Accepting the edit untouched gives back the very same rule.
    ModalDriver edit([](QDialog *d) { clickBox(d, true); });
    doubleClickRow(list(), 0);
    QVERIFY(edit.ran);
    QVERIFY2(win->doc().filters.at(0) == filter, qPrintable(describe(win->doc().filters.at(0))));

    // A rule typed into the simple dialog opens in the advanced one, in the
    // window's notation, and survives it untouched.
    ModalDriver simple([&](QDialog *d) {
        perform(d, {QStringLiteral("input=%1").arg(filter.input % 5), QStringLiteral("oldPID=%1").arg(filter.a),
                    QStringLiteral("newPID=%1").arg(filter.newBase), "OK"});
    });
    win->click("addRemap");
    QVERIFY(simple.ran);
    const FilterCfg made = win->doc().filters.at(1);
    QCOMPARE(made, rule(MatchRange, filter.input, filter.a, filter.a, ActionRemap, filter.newBase));
    QString shown;
    ModalDriver again([&](QDialog *d) {
        shown = child<QLineEdit>(d, "matchA")->text();
        clickBox(d, true);
    });
    doubleClickRow(list(), 1);
    QCOMPARE(again.className + '/' + again.title, QStringLiteral("FilterConfigDlg/Edit Filter Rule"));
    QCOMPARE(shown, shownA);
    QCOMPARE(win->doc().filters.at(1), made);

}

void TestFilterPage::cancelLeavesModel_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("simple add") << "addRemap";
    QTest::newRow("advanced add") << "addFilter";
    QTest::newRow("edit by double click") << "doubleClick";
    QTest::newRow("edit from the menu") << "menuEdit";
}

void TestFilterPage::cancelLeavesModel()
{
    QFETCH(QString, how);

    const TransportStreamCfg before = numberedRules(3);
    open(before);
    ModalDriver driver([&](QDialog *d) {
        if (how == "addRemap")
            perform(d, {"input=3", "oldPID=5", "newPID=6"});
        else
            perform(d, advancedSteps(rule(MatchMask, 4, 1, 2, ActionDrop, 3)));
        clickBox(d, false);
    });
    if (how == "doubleClick")
        doubleClickRow(list(), 1);
    else if (how == "menuEdit")
        QCOMPARE(contextMenu(list(), 1, "&Edit"), (QStringList{"&Edit", "", "&Add filter...", "&Remove filter"}));
    else
        win->click(how.toLatin1().constData());

    QVERIFY(driver.ran);
    QVERIFY(!driver.stayedOpen);
    QCOMPARE(win->doc(), before);
    QVERIFY(!win->w->isChanged());
    QVERIFY(!win->w->hasUnsavedChanges());
    QCOMPARE(texts(list()).size(), 3);
}

void TestFilterPage::remove_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("fromMenu");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QList<int>>("remaining");

    QTest::newRow("No keeps the rule") << 1 << false << QMessageBox::No << QList<int>{0, 1, 2};
    QTest::newRow("Yes removes the middle") << 1 << false << QMessageBox::Yes << QList<int>{0, 2};
    QTest::newRow("Yes removes the last") << 2 << false << QMessageBox::Yes << QList<int>{0, 1};
    QTest::newRow("from the menu") << 1 << true << QMessageBox::Yes << QList<int>{0, 2};
    QTest::newRow("no current entry, no question") << -1 << false << QMessageBox::Yes << QList<int>{0, 1, 2};
}

void TestFilterPage::remove()
{
    QFETCH(int, row);
    QFETCH(bool, fromMenu);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QList<int>, remaining);

    open(numberedRules(3));
    if (row >= 0)
        clickRow(list(), row);
    win->prompter.answers << answer;
    if (fromMenu)
        contextMenu(list(), row, "&Remove filter");
    else
        win->click("removeFilter");

    QCOMPARE(win->prompter.messages.size(), row >= 0 ? 1 : 0);
    for (const Prompter::Message &m : win->prompter.messages) {
        QCOMPARE(m.title + ':' + m.text, "Remove Filter Rule:You are about to remove a filter rule.\nDo you want to continue?");
        QCOMPARE(m.defaultButton, QMessageBox::No);
    }
    const bool removed = remaining.size() < 3;
    QCOMPARE(order(win->doc()), remaining);
    QCOMPARE(win->w->isChanged(), removed);
    QCOMPARE(win->w->hasUnsavedChanges(), removed);
    QCOMPARE(texts(list()).size(), remaining.size());
    if (removed)
        QCOMPARE(list()->currentItem(), nullptr);
}

void TestFilterPage::move_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QList<int>>("expected");
    QTest::addColumn<int>("current");

    QTest::newRow("middle up") << 3 << 1 << "filterUp" << 1 << QList<int>{1, 0, 2} << 0;
    QTest::newRow("middle down") << 3 << 1 << "filterDown" << 1 << QList<int>{0, 2, 1} << 2;
    QTest::newRow("last up twice stays current") << 3 << 2 << "filterUp" << 2 << QList<int>{2, 0, 1} << 0;
    QTest::newRow("first down twice stays current") << 3 << 0 << "filterDown" << 2 << QList<int>{1, 2, 0} << 2;
    QTest::newRow("first up does nothing") << 3 << 0 << "filterUp" << 1 << QList<int>{0, 1, 2} << 0;
    QTest::newRow("last down does nothing") << 3 << 2 << "filterDown" << 1 << QList<int>{0, 1, 2} << 2;
    QTest::newRow("one rule down does nothing") << 1 << 0 << "filterDown" << 1 << QList<int>{0} << 0;
    QTest::newRow("no current entry") << 3 << -1 << "filterUp" << 1 << QList<int>{0, 1, 2} << -1;
    QTest::newRow("no rules, arrows disabled") << 0 << -1 << "filterUp" << 1 << QList<int>{} << -1;
}

void TestFilterPage::move()
{
    QFETCH(int, count);
    QFETCH(int, row);
    QFETCH(QString, button);
    QFETCH(int, presses);
    QFETCH(QList<int>, expected);
    QFETCH(int, current);

    // From another rule count, so that the refresh has to set the arrows.
    open(numberedRules(count ? 0 : 2));
    win->w->setDocument(numberedRules(count));
    if (row >= 0)
        clickRow(list(), row);
    QCOMPARE(win->get("filterUp")->isEnabled(), count > 0);
    QCOMPARE(win->get("filterDown")->isEnabled(), count > 0);
    for (int i = 0; i < presses; ++i)
        win->click(button.toLatin1().constData());

    QCOMPARE(order(win->doc()), expected);
    QCOMPARE(list()->currentRow(), current);
    QCOMPARE(win->w->isChanged(), order(numberedRules(count)) != expected);
    // Each entry shows its own rule again and carries its new position.
    QCOMPARE(texts(list()).size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY(texts(list()).at(i).endsWith(QStringLiteral("base %1").arg(100 + expected.at(i))));
    QVERIFY(win->prompter.messages.isEmpty());
}

QTEST_MAIN(TestFilterPage)
#include "test_filterpage.moc"
