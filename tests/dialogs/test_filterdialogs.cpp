#include <QtTest>

#include <QLabel>

#include "../common/modaldriver.h"
#include "config/model.h"
#include "dialogs/filterconfigdlg.h"
#include "dialogs/simplefilterconfigdlg.h"

namespace {
// A rule as "match input a b action new-base".
FilterCfg rule(const QString &text)
{
    const QStringList v = text.split(QLatin1Char(' '));
    FilterCfg f;
    f.match = v.at(0).toInt(), f.input = v.at(1).toInt(), f.a = v.at(2).toUInt(), f.b = v.at(3).toUInt();
    f.action = v.at(4).toInt(), f.newBase = v.at(5).toInt();
    return f;
}

// exec()'s result, the rule afterwards, and after " ! " any refusal.
QString outcome(int result, const FilterCfg &f, const QString &refused)
{
    return QStringLiteral("%1: %2 %3 %4 %5 %6 %7").arg(result).arg(f.match).arg(f.input).arg(f.a).arg(f.b)
               .arg(f.action).arg(f.newBase)
           + (refused.isEmpty() ? QString() : QStringLiteral(" ! ") + refused);
}

// The named widgets: a combo's index, a label's or line edit's text with "+" when enabled.
QString form(QWidget *d, const QString &names)
{
    QStringList out;
    for (const QString &name : names.split(QLatin1Char(' '))) {
        QWidget *w = child(d, name);
        auto *combo = qobject_cast<QComboBox *>(w);
        auto *label = qobject_cast<QLabel *>(w);
        out << (combo ? QString::number(combo->currentIndex())
                      : (label ? label->text() : qobject_cast<QLineEdit *>(w)->text())
                            + QLatin1String(w->isEnabled() ? "+" : ""));
    }
    return out.join(QLatin1Char('|'));
}
} // namespace

class TestFilterDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The combo positions are the codes the rule keeps.
    void choices()
    {
        FilterConfigDlg full(nullptr);
        auto *match = child<QComboBox>(&full, QStringLiteral("matchType"));
        auto *action = child<QComboBox>(&full, QStringLiteral("actionType"));
        QCOMPARE(QStringList({match->itemText(MatchRange), match->itemText(MatchMask),
                              action->itemText(ActionDrop), action->itemText(ActionRemap),
                              action->itemText(ActionPass), QString::number(action->count())}),
                 QStringList({"Range", "Mask", "Drop", "Remap", "Pass", "3"}));
    }

    // Steps are followed by OK unless one is "Cancel". The quick form takes no
    // notation: it is always decimal.
    void run_data()
    {
        QTest::addColumn<bool>("quick");  // SimpleFilterConfigDlg, else FilterConfigDlg
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("add");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("shown"); // the form when it opens
        QTest::addColumn<QString>("after"); // the labels and New Base after the steps
        QTest::addColumn<QString>("expected");
        const auto quick = [](const char *name) -> QTestData & { return QTest::newRow(name) << true; };
        const auto full = [](const char *name) -> QTestData & { return QTest::newRow(name) << false; };
        const QString fresh = QStringLiteral("0 0 0 8191 2 4096"), quickShown = QStringLiteral("0|0+|4096+");
        quick("quick: 0x100 to 0x200 on port 2") << fresh << true << false
            << QStringList{"input=2", "oldPID=0x100", "newPID=0x200"} << quickShown << "" << "1: 0 2 256 256 1 512";
        quick("quick: unchanged default becomes a one-PID remap") << fresh << true << false << QStringList()
            << quickShown << "" << "1: 0 0 0 0 1 4096";
        quick("quick: edit shows decimal") << "1 3 300 7936 0 5000" << false << true << QStringList()
            << "3|300+|5000+" << "" << "1: 0 3 300 300 1 5000";
        quick("quick: 8191 accepted") << fresh << true << false << QStringList{"oldPID=8191", "newPID=0x1fff"}
            << quickShown << "" << "1: 0 0 8191 8191 1 8191";
        quick("quick: old PID 8192 refused") << fresh << true << false << QStringList{"oldPID=8192"} << quickShown
            << "" << "0: " + fresh + " ! Old PID@oldPID";
        quick("quick: new PID 8192 refused") << fresh << true << false << QStringList{"newPID=8192"} << quickShown
            << "" << "0: " + fresh + " ! New PID@newPID";
        quick("quick: old PID checked before new PID") << fresh << true << false
            << QStringList{"newPID=x", "oldPID=-5"} << quickShown << "" << "0: " + fresh + " ! Old PID@oldPID";
        quick("quick: cancel after changing every field") << fresh << true << false
            << QStringList{"input=4", "oldPID=17", "newPID=18", "Cancel"} << quickShown << "" << "0: " + fresh;

        const QString mask = QStringLiteral("1 1 7936 256 0 4096");
        const QString remap = QStringLiteral("0 2 256 511 1 4096");
        // Range and mask labels, then the New Base label ("+": enabled) and field.
        const QString R = QStringLiteral("From+|<= PID <=+|New Base"), M = QStringLiteral("PID and+|=+|New Base");
        const QString freshDec = "0|0|0+|8191+|2|" + R + "|4096", remapDec = "0|2|256+|511+|1|" + R + "+|4096+";

        full("add default unchanged") << fresh << true << false << QStringList() << freshDec << R + "|4096"
            << "1: " + fresh;
        full("mask rule shows mask labels") << mask << false << true << QStringList()
            << "1|1|0x1f00+|0x0100+|0|" + M + "|0x1000" << M + "|0x1000" << "1: " + mask;
        full("mask switched to range") << mask << false << false << QStringList{"matchType=0"}
            << "1|1|7936+|256+|0|" + M + "|4096" << R + "|4096" << "1: 0 1 7936 256 0 4096";
        full("range switched to mask") << fresh << false << false << QStringList{"matchType=1"}
            << freshDec << M + "|4096" << "1: 1 0 0 8191 2 4096";
        full("pass rule: New Base disabled but filled, Remap enables it") << fresh << false << true
            << QStringList{"actionType=1"} << "0|0|0x0000+|0x1fff+|2|" + R + "|0x1000" << R + "+|0x1000+"
            << "1: 0 0 0 8191 1 4096";
        full("remap rule opens with New Base enabled") << remap << false << false << QStringList()
            << remapDec << R + "+|4096+" << "1: " + remap;
        full("drop still writes New Base") << remap << false << false
            << QStringList{"newBase=0x200", "actionType=0"} << remapDec << R + "|0x200" << "1: 0 2 256 511 0 512";
        // Disabled, New Base is not judged: a text that is no PID keeps the stored base.
        full("empty New Base of a drop keeps the stored base") << remap << false << false
            << QStringList{"newBase=", "actionType=0"} << remapDec << R + "|" << "1: 0 2 256 511 0 4096";
        full("New Base 8192 refused") << remap << false << false << QStringList{"newBase=8192"}
            << remapDec << R + "+|8192+" << "0: " + remap + " ! New Base@newBase";
        full("8191 accepted") << remap << false << false
            << QStringList{"matchA=8191", "matchB=0x1FFF", "newBase=8191"} << remapDec << R + "+|8191+"
            << "1: 0 2 8191 8191 1 8191";
        full("left 8192 refused") << fresh << true << false << QStringList{"matchA=8192"} << freshDec
            << R + "|4096" << "0: " + fresh + " ! Left match value@matchA";
        full("left checked first") << remap << false << false
            << QStringList{"newBase=x", "matchB=x", "matchA=x"} << remapDec << R + "+|x+"
            << "0: " + remap + " ! Left match value@matchA";
        full("right checked before New Base") << remap << false << false
            << QStringList{"newBase=x", "matchB="} << remapDec << R + "+|x+" << "0: " + remap + " ! Right match value@matchB";
        full("port 4, drop, hex typed in decimal notation") << fresh << true << false
            << QStringList{"input=4", "matchA=0x10", "matchB=010", "actionType=0"} << freshDec << R + "|4096"
            << "1: 0 4 16 8 0 4096";
        full("cancel after changing every field") << "1 3 5 7 1 300" << false << false
            << QStringList{"matchType=0", "input=1", "matchA=1", "matchB=2", "newBase=3", "actionType=2", "Cancel"}
            << "1|3|5+|7+|1|" + M + "+|300+" << R + "|3" << "0: 1 3 5 7 1 300";
    }
    void run()
    {
        QFETCH(bool, quick);
        QFETCH(QString, start);
        QFETCH(bool, add);
        QFETCH(bool, hex);
        QFETCH(QStringList, steps);
        QFETCH(QString, shown);
        QFETCH(QString, after);
        QFETCH(QString, expected);
        const bool cancel = steps.removeAll(QStringLiteral("Cancel")) > 0;
        ScriptedPrompter prompter;
        QString opened, changed;
        ModalDriver driver([&](QDialog *d) {
            const QString labels = QStringLiteral("labelA labelB newBaseLabel newBase");
            opened = form(d, quick ? QStringLiteral("input oldPID newPID")
                                   : QStringLiteral("matchType input matchA matchB actionType ") + labels);
            perform(d, steps);
            changed = quick ? QString() : form(d, labels);
            clickBox(d, !cancel);
        });
        FilterCfg cfg = rule(start);
        const int result = quick ? SimpleFilterConfigDlg(nullptr).exec(&cfg, add)
                                 : FilterConfigDlg(nullptr).exec(&cfg, add, hex);
        QCOMPARE(driver.title, QLatin1String(add ? "Add " : "Edit ")
                                   + QLatin1String(quick ? "Simple Remap" : "Filter Rule"));
        QCOMPARE(opened, shown);
        QCOMPARE(changed, after);
        QCOMPARE(outcome(result, cfg, refusal(prompter, driver, expected)), expected);
    }
};

QTEST_MAIN(TestFilterDialogs)
#include "test_filterdialogs.moc"
