#include <QtTest>

#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QToolButton>

#include <memory>

#include "../common/scriptedprompter.h"
#include "app/velunor.h"
#include "pagedriver.h"

Q_DECLARE_METATYPE(FilterCfg)

// The PID filter page driven through its list, buttons, context menu and the
// real rule dialogs: what each entry reads, which dialog edits what, and that
// the rule order and the changed flag follow only accepted operations.
class TestFilterPage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void cleanupTestCase();

    void entryTexts_data();
    void entryTexts();
    void arrowsFollowRuleCount_data();
    void arrowsFollowRuleCount();
    void addSimple_data();
    void addSimple();
    void addAdvanced_data();
    void addAdvanced();
    void editSimpleRuleOpensAdvancedDialog_data();
    void editSimpleRuleOpensAdvancedDialog();
    void roundTrip_data();
    void roundTrip();
    void cancelLeavesModel_data();
    void cancelLeavesModel();
    void remove_data();
    void remove();
    void move_data();
    void move();
    void contextMenu_data();
    void contextMenu();
    void contextMenuEditsItsRow();
    void contextMenuRemovesCurrent();

private:
    void openWindow(bool hex);
    template<typename T>
    T *w(const char *name) { return widget<T>(window.get(), name); }
    QListWidget *list() { return w<QListWidget>("filters"); }
    void openContextMenu(int row);

    std::unique_ptr<ScriptedPrompter> prompter;
    std::unique_ptr<Velunor> window;
};

namespace {

FilterCfg rule(int match, int input, int a, int b, int action, int newBase)
{
    FilterCfg f;
    f.match = match;
    f.input = input;
    f.a = static_cast<quint32>(a);
    f.b = static_cast<quint32>(b);
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

// Fills the advanced dialog with `f` as an operator does: the action is set
// to remap first, so that the new base can be typed, then to its own value.
void fillAdvanced(QDialog *dialog, const FilterCfg &f)
{
    chooseIndex(widget<QComboBox>(dialog, "matchType"), f.match);
    chooseIndex(widget<QComboBox>(dialog, "input"), f.input);
    typeText(widget<QLineEdit>(dialog, "matchA"), QString::number(f.a));
    typeText(widget<QLineEdit>(dialog, "matchB"), QString::number(f.b));
    chooseIndex(widget<QComboBox>(dialog, "actionType"), ActionRemap);
    typeText(widget<QLineEdit>(dialog, "newBase"), QString::number(f.newBase));
    chooseIndex(widget<QComboBox>(dialog, "actionType"), f.action);
}

} // namespace

void TestFilterPage::init()
{
    prompter = std::make_unique<ScriptedPrompter>();
    openWindow(false);
}

void TestFilterPage::openWindow(bool hex)
{
    window.reset();
    setNotation(hex);
    window = std::make_unique<Velunor>();
    removeNotation();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    w<QTabWidget>("tabWidget")->setCurrentIndex(1);
}

void TestFilterPage::cleanup()
{
    window.reset();
    prompter.reset();
}

void TestFilterPage::cleanupTestCase()
{
    removeNotation();
}

void TestFilterPage::openContextMenu(int row)
{
    QPoint pos(2, list()->viewport()->height() - 2);
    if (row >= 0) {
        pos = list()->visualItemRect(list()->item(row)).center();
        QTest::mouseClick(list()->viewport(), Qt::RightButton, {}, pos);
    }
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, list()->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(list()->viewport(), &event);
}

void TestFilterPage::entryTexts_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<FilterCfg>("filter");
    QTest::addColumn<QString>("text");

    QTest::newRow("default rule, hex")
        << true << FilterCfg() << "Input Any, 0x0000 <= PID <= 0x1fff: Pass";
    QTest::newRow("default rule, decimal")
        << false << FilterCfg() << "Input Any, 0 <= PID <= 8191: Pass";
    QTest::newRow("one PID remapped, decimal")
        << false << rule(MatchRange, 2, 256, 256, ActionRemap, 4096)
        << "Input Port 2, PID = 256: Remap to base 4096";
    QTest::newRow("one PID remapped, hex")
        << true << rule(MatchRange, 2, 256, 256, ActionRemap, 4096)
        << "Input Port 2, PID = 0x0100: Remap to base 0x1000";
    QTest::newRow("mask drop, hex")
        << true << rule(MatchMask, 4, 0x1ff0, 0x0010, ActionDrop, 0)
        << "Input Port 4, PID and 0x1ff0 = 0x0010: Drop";
    QTest::newRow("mask with equal values is no single PID")
        << false << rule(MatchMask, 1, 16, 16, ActionPass, 4096)
        << "Input Port 1, PID and 16 = 16: Pass";
    QTest::newRow("port 3 range drop")
        << false << rule(MatchRange, 3, 32, 8190, ActionDrop, 4096)
        << "Input Port 3, 32 <= PID <= 8190: Drop";
    QTest::newRow("unknown codes")
        << false << rule(5, 9, 1, 2, 3, 4096) << "Input ?, ?";
}

void TestFilterPage::entryTexts()
{
    QFETCH(bool, hex);
    QFETCH(FilterCfg, filter);
    QFETCH(QString, text);

    openWindow(hex);
    TransportStreamCfg cfg;
    cfg.filters = {rule(MatchRange, 0, 1, 1, ActionDrop, 0), filter};
    window->setDocument(cfg);

    QCOMPARE(list()->count(), 2);
    QCOMPARE(list()->item(1)->text(), text);
    QCOMPARE(list()->item(0)->data(Qt::UserRole).toInt(), 0);
    QCOMPARE(list()->item(1)->data(Qt::UserRole).toInt(), 1);
    QCOMPARE(list()->currentItem(), nullptr);
    QVERIFY(!window->isChanged());
}

void TestFilterPage::arrowsFollowRuleCount_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("no rule") << 0 << false;
    QTest::newRow("one rule") << 1 << true;
    QTest::newRow("three rules") << 3 << true;
}

void TestFilterPage::arrowsFollowRuleCount()
{
    QFETCH(int, count);
    QFETCH(bool, enabled);

    // From the opposite count, so that the refresh has to change them.
    window->setDocument(numberedRules(count == 0 ? 2 : 0));
    window->setDocument(numberedRules(count));
    QCOMPARE(w<QToolButton>("filterUp")->isEnabled(), enabled);
    QCOMPARE(w<QToolButton>("filterDown")->isEnabled(), enabled);
}

void TestFilterPage::addSimple_data()
{
    QTest::addColumn<QString>("oldPid");
    QTest::addColumn<QString>("newPid");
    QTest::addColumn<int>("input");
    QTest::addColumn<FilterCfg>("expected");
    QTest::addColumn<QString>("text");

    QTest::newRow("hex PIDs on port 2")
        << "0x100" << "0x200" << 2 << rule(MatchRange, 2, 256, 256, ActionRemap, 512)
        << "Input Port 2, PID = 256: Remap to base 512";
    QTest::newRow("bounds on any input")
        << "8191" << "0" << 0 << rule(MatchRange, 0, 8191, 8191, ActionRemap, 0)
        << "Input Any, PID = 8191: Remap to base 0";
}

void TestFilterPage::addSimple()
{
    QFETCH(QString, oldPid);
    QFETCH(QString, newPid);
    QFETCH(int, input);
    QFETCH(FilterCfg, expected);
    QFETCH(QString, text);

    const TransportStreamCfg before = numberedRules(1);
    window->setDocument(before);
    ModalHandler handler([&](QDialog *dialog) {
        chooseIndex(widget<QComboBox>(dialog, "input"), input);
        typeText(widget<QLineEdit>(dialog, "oldPID"), oldPid);
        typeText(widget<QLineEdit>(dialog, "newPID"), newPid);
        clickButton(dialog, QDialogButtonBox::Ok);
    });
    QTest::mouseClick(w<QPushButton>("addRemap"), Qt::LeftButton);

    QVERIFY(handler.ran);
    QCOMPARE(handler.className, QStringLiteral("SimpleFilterConfigDlg"));
    QCOMPARE(handler.title, QStringLiteral("Add Simple Remap"));
    QCOMPARE(window->document().filters.size(), 2);
    QCOMPARE(window->document().filters.at(0), before.filters.at(0));
    QVERIFY2(window->document().filters.at(1) == expected,
             qPrintable(describe(window->document().filters.at(1))));
    QVERIFY(window->isChanged());
    QCOMPARE(list()->count(), 2);
    QCOMPARE(list()->item(1)->text(), text);
    QCOMPARE(list()->currentItem(), nullptr);
}

void TestFilterPage::addAdvanced_data()
{
    QTest::addColumn<bool>("fromMenu");
    QTest::addColumn<FilterCfg>("expected");

    QTest::newRow("mask drop by button") << false << rule(MatchMask, 3, 0x1ff0, 0x10, ActionDrop, 77);
    QTest::newRow("range pass by button") << false << rule(MatchRange, 4, 0, 8191, ActionPass, 4096);
    QTest::newRow("remap from the menu") << true << rule(MatchRange, 1, 32, 63, ActionRemap, 8191);
}

void TestFilterPage::addAdvanced()
{
    QFETCH(bool, fromMenu);
    QFETCH(FilterCfg, expected);

    const TransportStreamCfg before = numberedRules(2);
    window->setDocument(before);
    ModalHandler handler([&](QDialog *dialog) {
        fillAdvanced(dialog, expected);
        clickButton(dialog, QDialogButtonBox::Ok);
    });
    if (fromMenu) {
        PopupHandler popup([](QMenu *menu) {
            for (QAction *action : menu->actions()) {
                if (action->text() == QLatin1String("&Add filter...")) {
                    menu->setActiveAction(action);
                    QTest::keyClick(menu, Qt::Key_Return);
                    return;
                }
            }
            QFAIL("no Add filter entry");
        });
        openContextMenu(-1);
        QVERIFY(popup.ran);
    } else {
        QTest::mouseClick(w<QPushButton>("addFilter"), Qt::LeftButton);
    }

    QVERIFY(handler.ran);
    QCOMPARE(handler.className, QStringLiteral("FilterConfigDlg"));
    QCOMPARE(handler.title, QStringLiteral("Add Filter Rule"));
    QCOMPARE(window->document().filters.size(), 3);
    QCOMPARE(window->document().filters.mid(0, 2), before.filters);
    QVERIFY2(window->document().filters.at(2) == expected,
             qPrintable(describe(window->document().filters.at(2))));
    QVERIFY(window->isChanged());
    QCOMPARE(list()->count(), 3);
    QCOMPARE(list()->item(2)->data(Qt::UserRole).toInt(), 2);
}

void TestFilterPage::editSimpleRuleOpensAdvancedDialog_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("shownA");
    QTest::addColumn<QString>("shownBase");

    QTest::newRow("decimal") << false << "256" << "512";
    QTest::newRow("hex") << true << "0x0100" << "0x0200";
}

void TestFilterPage::editSimpleRuleOpensAdvancedDialog()
{
    QFETCH(bool, hex);
    QFETCH(QString, shownA);
    QFETCH(QString, shownBase);

    openWindow(hex);
    window->setDocument(numberedRules(2));

    // Made by the simple dialog, appended as row 2.
    ModalHandler simple([](QDialog *dialog) {
        chooseIndex(widget<QComboBox>(dialog, "input"), 2);
        typeText(widget<QLineEdit>(dialog, "oldPID"), "256");
        typeText(widget<QLineEdit>(dialog, "newPID"), "512");
        clickButton(dialog, QDialogButtonBox::Ok);
    });
    QTest::mouseClick(w<QPushButton>("addRemap"), Qt::LeftButton);
    QVERIFY(simple.ran);

    QString shownTexts;
    ModalHandler edit([&](QDialog *dialog) {
        shownTexts = widget<QLineEdit>(dialog, "matchA")->text() + QLatin1Char(' ')
            + widget<QLineEdit>(dialog, "newBase")->text();
        typeText(widget<QLineEdit>(dialog, "newBase"), "0x300");
        clickButton(dialog, QDialogButtonBox::Ok);
    });
    doubleClickRow(list(), 2);

    QVERIFY(edit.ran);
    QCOMPARE(edit.className, QStringLiteral("FilterConfigDlg"));
    QCOMPARE(edit.title, QStringLiteral("Edit Filter Rule"));
    QCOMPARE(shownTexts, shownA + QLatin1Char(' ') + shownBase);
    QVERIFY2(window->document().filters.at(2) == rule(MatchRange, 2, 256, 256, ActionRemap, 0x300),
             qPrintable(describe(window->document().filters.at(2))));
    QCOMPARE(order(window->document()).mid(0, 2), (QList<int>{0, 1}));
    QCOMPARE(list()->currentRow(), 2);
    QVERIFY(window->isChanged());
}

void TestFilterPage::roundTrip_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<FilterCfg>("filter");

    const FilterCfg rules[] = {
        FilterCfg(),
        rule(MatchMask, 4, 0x1fff, 0x1ffe, ActionDrop, 0),
        rule(MatchRange, 3, 8191, 8191, ActionRemap, 8191),
        rule(MatchRange, 1, 7, 9, ActionPass, 1),
    };
    for (const FilterCfg &f : rules) {
        QTest::addRow("%s, hex", qPrintable(describe(f))) << true << f;
        QTest::addRow("%s, decimal", qPrintable(describe(f))) << false << f;
    }
}

void TestFilterPage::roundTrip()
{
    QFETCH(bool, hex);
    QFETCH(FilterCfg, filter);

    openWindow(hex);
    TransportStreamCfg cfg;
    cfg.filters = {filter};
    window->setDocument(cfg);

    // Accepting the edit untouched gives back the very same rule.
    ModalHandler handler([](QDialog *dialog) { clickButton(dialog, QDialogButtonBox::Ok); });
    doubleClickRow(list(), 0);
    QVERIFY(handler.ran);
    QVERIFY2(window->document().filters.at(0) == filter,
             qPrintable(describe(window->document().filters.at(0))));

    // A rule typed into the simple dialog survives the advanced one as well.
    ModalHandler simple([&](QDialog *dialog) {
        chooseIndex(widget<QComboBox>(dialog, "input"), filter.input % 5);
        typeText(widget<QLineEdit>(dialog, "oldPID"), QString::number(filter.a));
        typeText(widget<QLineEdit>(dialog, "newPID"), QString::number(filter.newBase));
        clickButton(dialog, QDialogButtonBox::Ok);
    });
    QTest::mouseClick(w<QPushButton>("addRemap"), Qt::LeftButton);
    QVERIFY(simple.ran);
    const FilterCfg made = window->document().filters.at(1);
    QCOMPARE(made, rule(MatchRange, filter.input, filter.a, filter.a, ActionRemap, filter.newBase));
    ModalHandler again([](QDialog *dialog) { clickButton(dialog, QDialogButtonBox::Ok); });
    doubleClickRow(list(), 1);
    QVERIFY(again.ran);
    QCOMPARE(window->document().filters.at(1), made);
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
    window->setDocument(before);
    const bool simple = how == QLatin1String("addRemap");
    ModalHandler handler([&](QDialog *dialog) {
        if (simple) {
            chooseIndex(widget<QComboBox>(dialog, "input"), 3);
            typeText(widget<QLineEdit>(dialog, "oldPID"), "5");
            typeText(widget<QLineEdit>(dialog, "newPID"), "6");
        } else {
            fillAdvanced(dialog, rule(MatchMask, 4, 1, 2, ActionDrop, 3));
        }
        clickButton(dialog, QDialogButtonBox::Cancel);
    });
    if (how == QLatin1String("doubleClick")) {
        doubleClickRow(list(), 1);
    } else if (how == QLatin1String("menuEdit")) {
        PopupHandler popup([](QMenu *menu) {
            menu->setActiveAction(menu->actions().at(0));
            QTest::keyClick(menu, Qt::Key_Return);
        });
        openContextMenu(1);
        QVERIFY(popup.ran);
    } else {
        QTest::mouseClick(w<QPushButton>(how.toLatin1().constData()), Qt::LeftButton);
    }

    QVERIFY(handler.ran);
    QVERIFY(window->document() == before);
    QVERIFY(!window->isChanged());
    QVERIFY(!window->hasUnsavedChanges());
    QCOMPARE(list()->count(), 3);
}

void TestFilterPage::remove_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QList<int>>("remaining");
    QTest::addColumn<bool>("asked");

    QTest::newRow("No keeps the rule") << 1 << int(QMessageBox::No) << QList<int>{0, 1, 2} << true;
    QTest::newRow("Yes removes the middle") << 1 << int(QMessageBox::Yes) << QList<int>{0, 2}
                                            << true;
    QTest::newRow("Yes removes the last") << 2 << int(QMessageBox::Yes) << QList<int>{0, 1}
                                          << true;
    QTest::newRow("no current entry, no question")
        << -1 << int(QMessageBox::Yes) << QList<int>{0, 1, 2} << false;
}

void TestFilterPage::remove()
{
    QFETCH(int, row);
    QFETCH(int, answer);
    QFETCH(QList<int>, remaining);
    QFETCH(bool, asked);

    window->setDocument(numberedRules(3));
    if (row >= 0)
        clickRow(list(), row);
    prompter->answers.enqueue(QMessageBox::StandardButton(answer));
    QTest::mouseClick(w<QPushButton>("removeFilter"), Qt::LeftButton);

    QCOMPARE(prompter->messages.size(), asked ? 1 : 0);
    if (asked) {
        const Prompter::Message &m = prompter->messages.at(0);
        QCOMPARE(m.title, QStringLiteral("Remove Filter Rule"));
        QCOMPARE(m.text,
                 QStringLiteral("You are about to remove a filter rule.\nDo you want to continue?"));
        QCOMPARE(m.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(m.defaultButton, QMessageBox::No);
    }
    const bool removed = remaining.size() < 3;
    QCOMPARE(order(window->document()), remaining);
    QCOMPARE(window->isChanged(), removed);
    QCOMPARE(window->hasUnsavedChanges(), removed);
    QCOMPARE(list()->count(), remaining.size());
    for (int i = 0; i < list()->count(); ++i)
        QCOMPARE(list()->item(i)->data(Qt::UserRole).toInt(), i);
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
    QTest::newRow("last up twice stays current")
        << 3 << 2 << "filterUp" << 2 << QList<int>{2, 0, 1} << 0;
    QTest::newRow("first down twice stays current")
        << 3 << 0 << "filterDown" << 2 << QList<int>{1, 2, 0} << 2;
    QTest::newRow("first up does nothing") << 3 << 0 << "filterUp" << 1 << QList<int>{0, 1, 2}
                                           << 0;
    QTest::newRow("last down does nothing")
        << 3 << 2 << "filterDown" << 1 << QList<int>{0, 1, 2} << 2;
    QTest::newRow("one rule up does nothing") << 1 << 0 << "filterUp" << 1 << QList<int>{0} << 0;
    QTest::newRow("one rule down does nothing") << 1 << 0 << "filterDown" << 1 << QList<int>{0}
                                                << 0;
    QTest::newRow("no current entry") << 3 << -1 << "filterUp" << 1 << QList<int>{0, 1, 2} << -1;
}

void TestFilterPage::move()
{
    QFETCH(int, count);
    QFETCH(int, row);
    QFETCH(QString, button);
    QFETCH(int, presses);
    QFETCH(QList<int>, expected);
    QFETCH(int, current);

    window->setDocument(numberedRules(count));
    if (row >= 0)
        clickRow(list(), row);
    auto *arrow = w<QToolButton>(button.toLatin1().constData());
    QVERIFY(arrow->isEnabled());
    for (int i = 0; i < presses; ++i)
        QTest::mouseClick(arrow, Qt::LeftButton);

    const bool moved = order(numberedRules(count)) != expected;
    QCOMPARE(order(window->document()), expected);
    QCOMPARE(list()->currentRow(), current);
    QCOMPARE(window->isChanged(), moved);
    // Each entry shows its own rule again and carries its new position.
    for (int i = 0; i < list()->count(); ++i) {
        QCOMPARE(list()->item(i)->data(Qt::UserRole).toInt(), i);
        QVERIFY(list()->item(i)->text().endsWith(
            QStringLiteral("Remap to base %1").arg(100 + expected.at(i))));
    }
    QVERIFY(prompter->messages.isEmpty());
}

void TestFilterPage::contextMenu_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("on the first entry")
        << 0 << QStringList{"&Edit", "-", "&Add filter...", "&Remove filter"};
    QTest::newRow("on the third entry")
        << 2 << QStringList{"&Edit", "-", "&Add filter...", "&Remove filter"};
    QTest::newRow("below the entries") << -1 << QStringList{"&Add filter..."};
}

void TestFilterPage::contextMenu()
{
    QFETCH(int, row);
    QFETCH(QStringList, entries);

    window->setDocument(numberedRules(3));
    QStringList seen;
    QVariant editData;
    PopupHandler popup([&](QMenu *menu) {
        for (QAction *action : menu->actions()) {
            seen << (action->isSeparator() ? QStringLiteral("-") : action->text());
            if (action->text() == QLatin1String("&Edit"))
                editData = action->data();
        }
    });
    openContextMenu(row);

    QVERIFY(popup.ran);
    QCOMPARE(seen, entries);
    if (row >= 0)
        QCOMPARE(editData.toInt(), row);
    QVERIFY(!window->isChanged());
}

void TestFilterPage::contextMenuEditsItsRow()
{
    window->setDocument(numberedRules(3));
    QString shownBase;
    ModalHandler handler([&](QDialog *dialog) {
        shownBase = widget<QLineEdit>(dialog, "newBase")->text();
        typeText(widget<QLineEdit>(dialog, "newBase"), "999");
        clickButton(dialog, QDialogButtonBox::Ok);
    });
    PopupHandler popup([](QMenu *menu) {
        menu->setActiveAction(menu->actions().at(0));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    openContextMenu(2);

    QVERIFY(popup.ran);
    QVERIFY(handler.ran);
    QCOMPARE(handler.title, QStringLiteral("Edit Filter Rule"));
    QCOMPARE(shownBase, QStringLiteral("102"));
    QCOMPARE(window->document().filters.at(2).newBase, 999);
    QCOMPARE(window->document().filters.at(1).newBase, 101);
    QCOMPARE(list()->currentRow(), 2);
    QVERIFY(window->isChanged());
}

void TestFilterPage::contextMenuRemovesCurrent()
{
    window->setDocument(numberedRules(3));
    prompter->answers.enqueue(QMessageBox::Yes);
    PopupHandler popup([](QMenu *menu) {
        menu->setActiveAction(menu->actions().last());
        QTest::keyClick(menu, Qt::Key_Return);
    });
    openContextMenu(1);

    QVERIFY(popup.ran);
    QCOMPARE(prompter->titles(), QStringList{QStringLiteral("Remove Filter Rule")});
    QCOMPARE(order(window->document()), (QList<int>{0, 2}));
    QVERIFY(window->isChanged());
}

QTEST_MAIN(TestFilterPage)
#include "test_filterpage.moc"
