#include <QtTest>

#include <QLabel>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "dialogs/checkdialog.h"
#include "pagedriver.h"
#include "tests/common/filehelpers.h"

// Editing faults as an operator meets them: a row of tests/data/editing/<theme>.txt
// is a script of steps on the real window, then what the window shows.
//
// Steps, separated by ';': "load F" (F from tests/data/editing), "hex" or
// "decimal" (through Settings), "tab N", "type FIELD TEXT" (a line edit or spin
// box), "choose COMBO N", "on BOX" / "off BOX", "row LIST N", "dclick LIST N",
// "menu LIST N ENTRY", "saveas NAME" (into a temporary folder), "button NAME", "action NAME", "yes",
// "dialog STEP,STEP" (answers the next dialog, see perform()), "check",
// "activate N" (double click on the Nth finding), "leave FIELD" (the focus
// moves on with Tab), "ctrlz FIELD" (Ctrl+Z in the field).
// Expectations, "what = value" in a cell each: "field NAME", "enabled NAME", "elements",
// "services", "filters", "open" (the service in the editor), "current" (services row),
// "prompts" (titles met), "informative" (the last box's informative text),
// "tip NAME" (a field's tooltip), "undo" and "redo" (the action's text, "off"
// when disabled), "changed", "findings" and "summary" (of the check dialog),
// "close" (whether the window closes), "saved" (Save As, compared with a golden file).

class TestEditing : public QObject {
    Q_OBJECT
    std::unique_ptr<Window> win;
    std::unique_ptr<ModalDriver> driver;
    QTemporaryDir dir{QStringLiteral("/tmp/velunor-editing-XXXXXX")};

    static QString data(const QString &name) { return QStringLiteral(VELUNOR_TEST_DATA "/editing/") + name; }

    template<typename T>
    T *checkDialog() const
    {
        auto *dialog = win->w->findChild<CheckDialog *>();
        return dialog && dialog->isVisible() ? dialog->findChild<T *>() : nullptr;
    }
    QTreeWidget *findings() const { return checkDialog<QTreeWidget>(); }

    void step(const QString &step)
    {
        const QString verb = step.section(' ', 0, 0), arg = step.section(' ', 1, 1), rest = step.section(' ', 2);
        if (verb == "load") {
            win->prompter.fileNames.enqueue(data(arg));
            win->trigger("action_Load");
        } else if (verb == "hex" || verb == "decimal") {
            driver = std::make_unique<ModalDriver>([verb](QDialog *d) { perform(d, {verb == "hex" ? "notation=1" : "notation=0", "OK"}); });
            win->trigger("action_Settings");
        } else if (verb == "tab") {
            win->get<QTabWidget>("tabWidget")->setCurrentIndex(arg.toInt());
        } else if (verb == "type") {
            if (auto *spin = win->w->findChild<QSpinBox *>(arg))
                typeText(spin, rest.toInt());
            else
                typeText(win->edit(qPrintable(arg)), rest);
        } else if (verb == "choose") {
            chooseIndex(win->get<QComboBox>(qPrintable(arg)), rest.toInt());
        } else if (verb == "on" || verb == "off") {
            setChecked(win->get(qPrintable(arg)), verb == "on");
        } else if (verb == "row" || verb == "dclick") {
            (verb == "row" ? clickRow : doubleClickRow)(win->list(qPrintable(arg)), rest.toInt());
        } else if (verb == "menu") {
            contextMenu(win->list(qPrintable(arg)), rest.section(' ', 0, 0).toInt(), rest.section(' ', 1));
        } else if (verb == "button") {
            win->click(qPrintable(arg));
        } else if (verb == "action") {
            win->trigger(qPrintable("action_" + arg));
        } else if (verb == "yes") {
            win->prompter.answers << QMessageBox::Yes;
        } else if (verb == "dialog") {
            const QStringList steps = step.section(' ', 1).split(',');
            driver = std::make_unique<ModalDriver>([steps](QDialog *d) { perform(d, steps); });
        } else if (verb == "saveas") {
            win->prompter.fileNames.enqueue(dir.filePath(arg));
            win->trigger("action_SaveAs");
        } else if (verb == "check") {
            win->trigger("action_CheckConfiguration");
        } else if (verb == "activate") {
            QTreeWidget *rows = findings();
            QVERIFY(rows);
            const QPoint at = rows->visualItemRect(rows->topLevelItem(arg.toInt())).center();
            QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(rows->viewport(), Qt::LeftButton, {}, at);
        } else if (verb == "leave") {
            QLineEdit *edit = win->edit(qPrintable(arg));
            win->w->activateWindow(); // after a dialog, for the focus events
            QVERIFY(QTest::qWaitForWindowActive(win->w.get()));
            edit->setFocus();
            QVERIFY(edit->hasFocus());
            QTest::keyClick(edit, Qt::Key_Tab);
            QVERIFY(!edit->hasFocus());
        } else if (verb == "ctrlz") {
            QTest::keyClick(win->edit(qPrintable(arg)), Qt::Key_Z, Qt::ControlModifier);
        } else {
            QFAIL(qPrintable("unknown step " + step));
        }
    }

    QString shows(const QString &what, const QString &expected)
    {
        const QString arg = what.section(' ', 1);
        if (what.startsWith("field"))
            return win->edit(qPrintable(arg))->text();
        if (what.startsWith("tip"))
            return win->edit(qPrintable(arg))->toolTip();
        if (what == "undo" || what == "redo") {
            const QAction *action = win->get<QAction>(what == "undo" ? "action_Undo" : "action_Redo");
            return action->isEnabled() ? action->text() : QStringLiteral("off");
        }
        if (what == "informative")
            return win->prompter.messages.isEmpty() ? QString() : win->prompter.messages.last().informativeText;
        if (what == "elements" || what == "services" || what == "filters")
            return texts(win->list(qPrintable(what))).join(", ").replace('\n', ' ');
        if (what.startsWith("enabled"))
            return win->get(qPrintable(arg))->isEnabled() ? "yes" : "no";
        if (what == "open")
            return win->edit("serviceName")->isEnabled() ? win->edit("serviceName")->text() : QStringLiteral("none");
        if (what == "current")
            return QString::number(win->list("services")->currentRow());
        if (what == "prompts")
            return win->prompter.titles().join(", ");
        if (what == "changed")
            return win->w->hasUnsavedChanges() ? "yes" : "no";
        if (what == "close")
            return win->w->close() ? "closes" : "stays";
        if (what == "summary")
            return checkDialog<QLabel>() ? checkDialog<QLabel>()->text() : QStringLiteral("no dialog");
        if (what == "findings") {
            QStringList rows;
            for (int i = 0; QTreeWidget *list = findings(); ++i) {
                if (i == list->topLevelItemCount())
                    break;
                rows << list->topLevelItem(i)->text(1) + ": " + list->topLevelItem(i)->text(2);
            }
            return rows.join(" / ");
        }
        if (what == "saved") {
            const QString saved = dir.filePath(expected);
            win->prompter.fileNames.enqueue(saved);
            win->trigger("action_SaveAs");
            return readWholeFile(saved) == readWholeFile(data(expected)) ? expected : "differs: see " + saved;
        }
        return "unknown expectation " + what;
    }

    void rows(const char *theme)
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("expected");
        for (const QString &line : QString::fromUtf8(readWholeFile(data(theme))).split('\n', Qt::SkipEmptyParts)) {
            if (line.startsWith('#'))
                continue;
            const QStringList cells = line.split('|');
            QStringList expected;
            for (const QString &cell : cells.mid(2))
                expected << cell.trimmed();
            QTest::newRow(qPrintable(cells.value(0).trimmed())) << cells.value(1).trimmed() << expected;
        }
    }

    void run()
    {
        QFETCH(QString, steps);
        QFETCH(QStringList, expected);
        for (const QString &s : steps.split(';', Qt::SkipEmptyParts))
            step(s.trimmed());
        for (const QString &e : expected) {
            const QString what = e.section('=', 0, 0).trimmed();
            const QString value = e.section('=', 1).trimmed();
            QCOMPARE(what + " = " + shows(what, value), what + " = " + value);
        }
    }

private Q_SLOTS:
    void init()
    {
        win.reset(); // its prompter first, so that the new one stays installed
        win = std::make_unique<Window>(TransportStreamCfg(), false, 2);
    }
    void cleanup() { driver.reset(); }

    // Settings, Duplicate and Remove keep what the operator typed and show no
    // streams of a service that is not open.
    void lostEdits_data() { rows("lost-edits.txt"); }
    void lostEdits() { run(); }

    // Values the operator never typed are never stored, and stored values the
    // editor would not take do not make an untouched document edited.
    void wrongValues_data() { rows("wrong-values.txt"); }
    void wrongValues() { run(); }

    // The check dialog checks what the pages show, and follows the document
    // and the window's notation.
    void staleViews_data() { rows("stale-views.txt"); }
    void staleViews() { run(); }

    // Typing is never lost to Undo, steps keep the order they were made in,
    // numbers show as read once left, and texts of any length stay whole.
    void typing_data() { rows("typing.txt"); }
    void typing() { run(); }
};

QTEST_MAIN(TestEditing)
#include "test_editing.moc"
