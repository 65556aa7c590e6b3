#include <QtTest>

#include <QCheckBox>
#include <QLabel>

#include "../common/modaldriver.h"
#include "config/model.h"
#include "dialogs/addservicedlg.h"
#include "dialogs/esconfigdlg.h"
#include "dialogs/filterconfigdlg.h"
#include "dialogs/simplefilterconfigdlg.h"

namespace {
// The named widgets: a combo's index, a check box's 1 or 0, a label's or line
// edit's text; "+" marks an enabled one.
QString form(QWidget *d, const QString &names)
{
    QStringList out;
    for (const QString &name : names.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QWidget *w = child(d, name);
        auto *combo = qobject_cast<QComboBox *>(w);
        auto *box = qobject_cast<QCheckBox *>(w);
        auto *label = qobject_cast<QLabel *>(w);
        out << (combo ? QString::number(combo->currentIndex())
                      : box ? QString::number(int(box->isChecked()))
                            : label ? label->text() : child<QLineEdit>(d, name)->text())
                   + QLatin1String(w->isEnabled() ? "+" : "");
    }
    return out.join(QLatin1Char('|'));
}

// Runs the dialog of `kind` on the record written as text, which it then
// holds as the dialog left it; returns exec().
int execDialog(const QString &kind, QString *record, bool add, bool hex)
{
    const QStringList v = record->split(QLatin1Char(' '));
    if (kind == QLatin1String("service")) {
        AddServiceDlg dlg(hex, nullptr);
        const int result = dlg.exec();
        *record = QStringLiteral("%1 %2%3%4 %5 %6 %7 %8|%9|%10|%11|%12|%13")
                      .arg(dlg.serviceType()).arg(int(dlg.videoChecked())).arg(int(dlg.audioChecked()))
                      .arg(int(dlg.teletextChecked())).arg(dlg.videoStreamType()).arg(dlg.audioStreamType())
                      .arg(dlg.videoPid()).arg(dlg.audioPid())
                      .arg(dlg.serviceIdText(), dlg.nameText(), dlg.pmtPidText(), dlg.teletextPidText())
                      .arg(dlg.pcrPid());
        return result;
    }
    if (kind == QLatin1String("es")) {
        ESCfg cfg;
        cfg.type = v.at(0).toInt(), cfg.pid = v.at(1).toUShort(), cfg.teletextPage = v.at(2).toInt();
        cfg.language = record->section(QLatin1Char(' '), 3);
        const int result = ESConfigDlg(nullptr).exec(&cfg, add, hex);
        *record = QStringLiteral("%1 %2 %3 %4").arg(cfg.type).arg(cfg.pid).arg(cfg.teletextPage).arg(cfg.language);
        return result;
    }
    FilterCfg f;
    f.match = v.at(0).toInt(), f.input = v.at(1).toInt(), f.a = v.at(2).toUInt(), f.b = v.at(3).toUInt();
    f.action = v.at(4).toInt(), f.newBase = v.at(5).toInt();
    const int result = kind == QLatin1String("remap") ? SimpleFilterConfigDlg(nullptr).exec(&f, add)
                                                      : FilterConfigDlg(nullptr).exec(&f, add, hex);
    *record = QStringLiteral("%1 %2 %3 %4 %5 %6").arg(f.match).arg(f.input).arg(f.a).arg(f.b).arg(f.action)
                  .arg(f.newBase);
    return result;
}
} // namespace

// Every dialog that edits a record, one row each in tests/data/dialogs/dialogs.tsv.
class TestDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void run_data()
    {
        QTest::addColumn<QStringList>("kind");
        QTest::addColumn<QStringList>("row");
        QFile f(QStringLiteral(VELUNOR_TEST_DATA "/dialogs/dialogs.tsv"));
        QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
        QHash<QString, QStringList> kinds;
        for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList cells = line.split(QLatin1Char('\t'));
            if (line.startsWith(QLatin1Char('=')))
                kinds.insert(cells.at(0).mid(1).trimmed(), cells);
            else if (!line.startsWith(QLatin1Char('#')))
                QTest::newRow(qPrintable(cells.at(0))) << kinds.value(cells.at(1)) << cells;
        }
    }
    void run()
    {
        QFETCH(QStringList, kind);
        QFETCH(QStringList, row);
        QCOMPARE(kind.size(), 4);
        QStringList steps = row.at(4).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        const bool cancel = steps.removeAll(QStringLiteral("Cancel")) > 0;
        ScriptedPrompter prompter;
        QString opened, after;
        ModalDriver driver([&](QDialog *d) {
            opened = form(d, kind.at(2));
            perform(d, steps);
            after = form(d, kind.at(3));
            clickBox(d, !cancel);
        });
        QString record = row.at(3);
        const int result = execDialog(row.at(1).section(QLatin1Char('-'), -1), &record,
                                      !row.at(1).startsWith(QLatin1String("edit")), row.at(2) == QLatin1String("1"));
        const QString refused = refusal(prompter, driver);
        QCOMPARE(QStringList({driver.title, opened, after,
                              QString::number(result) + QLatin1String(": ") + record
                                  + (refused.isEmpty() ? QString() : QStringLiteral(" ! ") + refused)})
                     .join(QLatin1Char('\t')),
                 QStringList({kind.at(1), row.at(5), row.at(6), row.at(7)}).join(QLatin1Char('\t')));
    }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
