#include <QtTest>

#include <QLabel>

#include "../common/modaldriver.h"
#include "config/model.h"
#include "dialogs/filterconfigdlg.h"
#include "dialogs/simplefilterconfigdlg.h"

namespace {
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

// Rows in tests/data/dialogs/filterdialogs.tsv; steps are followed by OK
// unless one is "Cancel". The quick form takes no notation: always decimal.
class TestFilterDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void run_data()
    {
        QTest::addColumn<QStringList>("row");
        QFile f(QStringLiteral(VELUNOR_TEST_DATA "/dialogs/filterdialogs.tsv"));
        QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
        for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1))
            QTest::newRow(qPrintable(line.section(QLatin1Char('\t'), 0, 0))) << line.split(QLatin1Char('\t'));
    }
    void run()
    {
        QFETCH(QStringList, row);
        const bool quick = row.at(1) == QLatin1String("1"), add = row.at(3) == QLatin1String("1");
        QStringList steps = row.at(5).split(QLatin1Char(';'), Qt::SkipEmptyParts);
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
        const QStringList v = row.at(2).split(QLatin1Char(' '));
        FilterCfg f;
        f.match = v.at(0).toInt(), f.input = v.at(1).toInt(), f.a = v.at(2).toUInt(), f.b = v.at(3).toUInt();
        f.action = v.at(4).toInt(), f.newBase = v.at(5).toInt();
        const int result = quick ? SimpleFilterConfigDlg(nullptr).exec(&f, add)
                                 : FilterConfigDlg(nullptr).exec(&f, add, row.at(4) == QLatin1String("1"));
        QCOMPARE(driver.title, QLatin1String(add ? "Add " : "Edit ") + QLatin1String(quick ? "Simple Remap" : "Filter Rule"));
        QCOMPARE(opened, row.at(6));
        QCOMPARE(changed, row.at(7));
        const QString refused = refusal(prompter, driver, row.at(8));
        QCOMPARE(QStringLiteral("%1: %2 %3 %4 %5 %6 %7").arg(result).arg(f.match).arg(f.input).arg(f.a).arg(f.b)
                         .arg(f.action).arg(f.newBase)
                     + (refused.isEmpty() ? QString() : QStringLiteral(" ! ") + refused),
                 row.at(8));
    }
};

QTEST_MAIN(TestFilterDialogs)
#include "test_filterdialogs.moc"
