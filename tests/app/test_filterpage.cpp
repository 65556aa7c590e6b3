#include <QtTest>

#include "pagedriver.h"

Q_DECLARE_METATYPE(FilterCfg)

namespace {
FilterCfg rule(int match, int input, int a, int b, int action, int newBase)
{
    FilterCfg f;
    f.match = match, f.input = input, f.a = quint32(a), f.b = quint32(b), f.action = action, f.newBase = newBase;
    return f;
}
// Rules told apart by their new base: 100, 101, ...
TransportStreamCfg numbered(int count)
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
        bases << f.newBase - 100;
    return bases;
}
} // namespace

// The PID filter page: what each entry reads, that only accepted dialogs
// change the rules, and the rule order after removing and moving.
class TestFilterPage : public QObject {
    Q_OBJECT
    std::unique_ptr<Window> win;
    RecordList *list() { return win->list("filters"); }

private Q_SLOTS:
    void cleanup() { win.reset(); }

    void entryText_data()
    {
        QTest::addColumn<bool>("hex");
        QTest::addColumn<FilterCfg>("filter");
        QTest::addColumn<QString>("text");
        QTest::newRow("default rule, hex") << true << FilterCfg() << "Rule 2: Input Any, 0x0000 <= PID <= 0x1fff: Pass";
        QTest::newRow("one PID remapped, decimal") << false << rule(MatchRange, 2, 256, 256, ActionRemap, 4096)
                                                   << "Rule 2: Input Port 2, PID = 256: Remap to base 4096";
        QTest::newRow("mask drop, hex") << true << rule(MatchMask, 4, 0x1ff0, 0x0010, ActionDrop, 0)
                                        << "Rule 2: Input Port 4, PID and 0x1ff0 = 0x0010: Drop";
    }
    void entryText()
    {
        QFETCH(bool, hex);
        QFETCH(FilterCfg, filter);
        QFETCH(QString, text);
        TransportStreamCfg cfg = numbered(1);
        cfg.filters << filter;
        win = std::make_unique<Window>(cfg, hex, 1);
        QCOMPARE(texts(list()).at(1), text);
    }

    // Each dialog starts from two rules; the rule at `row` afterwards, or the
    // rules untouched when `ok` is false (the dialog cancelled).
    void dialogs_data()
    {
        QTest::addColumn<QString>("how"); // a button, or "edit" by double click
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<FilterCfg>("expected");
        const QStringList advanced{"matchType=1", "input=3", "matchA=0x1ff0", "matchB=0x10", "actionType=0"};
        const FilterCfg mask = rule(MatchMask, 3, 0x1ff0, 0x10, ActionDrop, 4096);
        QTest::newRow("simple add") << "addRemap" << QStringList{"input=2", "oldPID=0x100", "newPID=0x200"} << true
                                    << rule(MatchRange, 2, 256, 256, ActionRemap, 512);
        QTest::newRow("advanced add") << "addFilter" << advanced << true << mask;
        QTest::newRow("edit keeps the new base") << "edit" << QStringList{"actionType=0", "input=4"} << true
                                                 << rule(MatchRange, 4, 1, 11, ActionDrop, 101);
        QTest::newRow("simple add cancelled") << "addRemap" << QStringList{"oldPID=5"} << false << FilterCfg();
        QTest::newRow("advanced add cancelled") << "addFilter" << advanced << false << FilterCfg();
        QTest::newRow("edit cancelled") << "edit" << advanced << false << FilterCfg();
    }
    void dialogs()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, steps);
        QFETCH(bool, ok);
        QFETCH(FilterCfg, expected);
        TransportStreamCfg after = numbered(2);
        win = std::make_unique<Window>(after, false, 1);
        ModalDriver driver([&](QDialog *d) {
            perform(d, steps);
            clickBox(d, ok);
        });
        if (how == "edit")
            doubleClickRow(list(), 1);
        else
            win->click(how.toLatin1().constData());
        QVERIFY(driver.ran);
        if (ok && how == "edit")
            after.filters[1] = expected;
        else if (ok)
            after.filters << expected;
        QCOMPARE(win->doc(), after);
        QCOMPARE(win->w->isChanged(), ok);
    }

    // Removing and moving rules of three; a remove asks first, the answer is
    // queued. Each entry shows its own rule again afterwards.
    void reorder_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("presses");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QList<int>>("expected");
        const QMessageBox::StandardButton yes = QMessageBox::Yes;
        QTest::newRow("No keeps the rule") << 1 << QStringList{"removeFilter"} << QMessageBox::No << QList<int>{0, 1, 2};
        QTest::newRow("remove the middle") << 1 << QStringList{"removeFilter"} << yes << QList<int>{0, 2};
        QTest::newRow("remove the last") << 2 << QStringList{"removeFilter"} << yes << QList<int>{0, 1};
        QTest::newRow("remove without current entry") << -1 << QStringList{"removeFilter"} << yes << QList<int>{0, 1, 2};
        QTest::newRow("middle up") << 1 << QStringList{"filterUp"} << yes << QList<int>{1, 0, 2};
        QTest::newRow("middle down") << 1 << QStringList{"filterDown"} << yes << QList<int>{0, 2, 1};
        QTest::newRow("last up twice") << 2 << QStringList{"filterUp", "filterUp"} << yes << QList<int>{2, 0, 1};
        QTest::newRow("first up does nothing") << 0 << QStringList{"filterUp"} << yes << QList<int>{0, 1, 2};
    }
    void reorder()
    {
        QFETCH(int, row);
        QFETCH(QStringList, presses);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QList<int>, expected);
        win = std::make_unique<Window>(numbered(3), false, 1);
        if (row >= 0)
            clickRow(list(), row);
        win->prompter.answers << answer;
        for (const QString &press : presses)
            win->click(press.toLatin1().constData());
        const bool asked = row >= 0 && !presses.first().startsWith("filter");
        QCOMPARE(win->prompter.titles(), asked ? QStringList{"Remove Filter Rule"} : QStringList());
        QCOMPARE(order(win->doc()), expected);
        QCOMPARE(win->w->isChanged(), expected != QList<int>({0, 1, 2}));
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY(texts(list()).at(i).endsWith(QStringLiteral("base %1").arg(100 + expected.at(i))));
    }
};

QTEST_MAIN(TestFilterPage)
#include "test_filterpage.moc"
