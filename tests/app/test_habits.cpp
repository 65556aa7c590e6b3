// The habits of a desktop editor, through the real window: undo and redo of
// every kind of step, the recent files across a restart, files opened from
// outside, the keyboard on the lists and warnings that show their field.

#include <QtTest>

#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolTip>

#include "config/cfgreader.h"
#include "config/fields.h"
#include "dialogs/valueentry.h"
#include "tests/common/linecompare.h"
#include "pagedriver.h"

namespace {

// What an operator can reach on a page: fields, buttons, boxes and lists.
QList<QWidget *> fieldsOn(QWidget *page)
{
    QList<QWidget *> fields;
    for (QWidget *w : page->findChildren<QWidget *>()) {
        if ((qobject_cast<QLineEdit *>(w) && !qobject_cast<QAbstractSpinBox *>(w->parentWidget()))
            || qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QComboBox *>(w)
            || qobject_cast<QAbstractButton *>(w) || qobject_cast<RecordList *>(w))
            fields << w;
    }
    return fields;
}

} // namespace

class TestHabits : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Window> win;

    // A file of tests/data in the test's directory; "SOURCE as NAME" renames it.
    QString copyOf(const QString &golden)
    {
        const QString source = golden.section(" as ", 0, 0);
        const QString name = dir->filePath(golden.contains(" as ") ? golden.section(" as ", 1) : QFileInfo(source).fileName());
        writeWholeFile(name, testData(source));
        return name;
    }
    TransportStreamCfg parsedFile(const QString &golden)
    {
        CfgReader reader;
        TransportStreamCfg cfg;
        if (!reader.open(copyOf(golden)) || !reader.parse(&cfg))
            qFatal("%s does not parse", qPrintable(golden));
        return cfg;
    }
    QAction *action(const char *name) const { return win->get<QAction>(name); }
    QStringList recentEntries() const
    {
        QStringList texts;
        for (const QAction *a : win->get<QMenu>("menu_RecentFiles")->actions())
            texts << a->text().replace(dir->path() + '/', QString());
        return texts;
    }
    void restart(bool hex = false)
    {
        win.reset(); // its prompter first, so that the new one stays installed
        win = std::make_unique<Window>(TransportStreamCfg(), hex, 0, dir->path());
    }

    // "list row key [menu entry;][dialog steps]", a button and its dialog's
    // steps, or a page edit committed.
    void perform(const QString &command)
    {
        const QStringList words = command.split(' ');
        QStringList steps = command.section(' ', words.size() == 2 ? 1 : 3).split(';');
        const bool menu = command.contains("Menu") || command.contains("F10");
        const QString entry = menu ? steps.takeFirst() : QString();
        ModalDriver dialog([&](QDialog *d) { ::perform(d, steps); });
        win->prompter.answers << QMessageBox::Yes;
        if (words.size() == 1) {
            if (command == "stream")
                typeText(win->edit("tsID"), "0x22");
            else if (command == "default")
                chooseIndex(win->get<QComboBox>("filterDefault"), 0);
            else
                typeText(win->edit("serviceName"), "Edited");
            QVERIFY(win->w->commitPages());
        } else if (words.size() == 2) {
            win->click(qPrintable(words.first()));
        } else {
            RecordList *list = win->list(qPrintable(words.at(0)));
            list->setCurrentRow(words.at(1).toInt());
            list->setFocus();
            const QKeySequence key(words.at(2));
            const auto press = [&]() { QTest::keyClick(list, key[0].key(), key[0].keyboardModifiers()); };
            if (!menu)
                return press();
            // At the current entry, not at the mouse pointer.
            const QPoint current = list->viewport()->mapToGlobal(list->rowRect(list->currentRow()).center());
            QPoint at;
            popupMenu(press, entry, &at);
            QCOMPARE(at, current);
        }
    }

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        restart();
    }

    // The window and each page connect their on_<object>_<signal> slots by
    // name: a slot whose widget or signal was renamed is never called.
    void slotsFindTheirSignals()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal")));
        restart();
    }

    void undoRedo_data() { rowsFrom("habits/undo-steps.txt", {"command", "step", "page", "row"}); }
    void undoRedo()
    {
        const QString file = copyOf("habits/two-of-each.mux");
        QVERIFY(win->w->openFile(file));
        const TransportStreamCfg before = win->doc();
        perform(cell("command"));
        const TransportStreamCfg after = win->doc();
        QVERIFY(after != before && win->w->isChanged());
        QCOMPARE(action("action_Undo")->text(), "&Undo " + cell("step"));

        // Ctrl+Z in a text field is the field's; a document undo takes what
        // is typed in as a step and takes that back, and Redo brings it again.
        QLineEdit *netName = win->edit("netName"), *pmtPID = win->edit("pmtPID");
        const QString pmtShown = pmtPID->text();
        QTest::keyClicks(netName, "x");
        QTest::keyClick(netName, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(netName->text(), after.netName);
        typeText(netName, "Typed");
        typeText(pmtPID, "0x1ff");
        win->trigger("action_Undo");
        QCOMPARE(netName->text() + pmtPID->text(), after.netName + pmtShown);
        QCOMPARE(win->doc(), after);
        win->trigger("action_Redo");
        // A removed service leaves the editor empty, and nothing to type in.
        QCOMPARE(netName->text() + pmtPID->text(), "Typed" + (pmtPID->isEnabled() ? QStringLiteral("511") : QString()));
        win->trigger("action_Undo");
        QCOMPARE(win->doc(), after);
        // Elsewhere Ctrl+Z undoes the step: the document is as saved again.
        auto *tabs = win->get<QTabWidget>("tabWidget");
        tabs->setCurrentIndex((cell("page").toInt() + 1) % 3);
        win->w->activateWindow(); // after a dialog, for the shortcuts
        QVERIFY(QTest::qWaitForWindowActive(win->w.get()));
        tabs->setFocus();
        QTest::keyClick(tabs, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(win->doc(), before);
        QVERIFY(!win->w->hasUnsavedChanges());
        QCOMPARE(tabs->currentIndex(), cell("page").toInt());
        if (cell("row") != "-1")
            QCOMPARE(win->list(cell("page") == "1" ? "filters" : "services")->currentRow(), cell("row").toInt());
        QCOMPARE(action("action_Redo")->text(), "&Redo " + cell("step"));
        QTest::keyClick(tabs, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(win->doc(), after);
        QVERIFY(win->w->isChanged() && win->prompter.titles().size() <= 1); // a removal's question

        win->prompter.answers << QMessageBox::No;
        QVERIFY(win->w->openFile(file));
        QVERIFY(!action("action_Undo")->isEnabled() && !action("action_Redo")->isEnabled());
    }

    // Loaded and saved files are offered again after a restart, newest first;
    // a name typed without a suffix gets one. Enter opens a service.
    void recentFiles()
    {
        const QString file = copyOf("habits/two-of-each.mux");
        QVERIFY(win->w->openFile(file));
        win->prompter.fileNames << dir->filePath("stream") << dir->filePath("out");
        win->trigger("action_SaveAs");
        win->trigger("action_ExportToMUX");
        QVERIFY(QFile::exists(dir->filePath("stream.mux")) && QFile::exists(dir->filePath("out.mbn")));
        restart();
        QCOMPARE(recentEntries(), (QStringList{"&1 stream.mux", "&2 two-of-each.mux", "", "&Clear"}));
        QVERIFY(QFile::remove(dir->filePath("stream.mux")));
        win->get<QMenu>("menu_RecentFiles")->actions().at(0)->trigger();
        QCOMPARE(win->prompter.titles(), QStringList{"Read Error"});
        QCOMPARE(recentEntries(), (QStringList{"&1 two-of-each.mux", "", "&Clear"}));
        win->get<QMenu>("menu_RecentFiles")->actions().at(0)->trigger();
        QCOMPARE(win->w->documentFileName(), file);
        win->trigger("action_ClearRecentFiles");
        QCOMPARE(Settings(dir->path()).recentFiles, QStringList());

        perform("services 1 Return");
        QCOMPARE(win->edit("serviceName")->text() + QApplication::focusWidget()->objectName(), "RadioserviceID");
        QCOMPARE(win->edit("serviceID")->selectedText(), QStringLiteral("2"));
    }

    void openFromOutside_data() { rowsFrom("habits/opening.txt", {"how", "file", "edit", "answer", "result", "boxes", "text"}); }
    void openFromOutside()
    {
        const bool gone = cell("file") == "gone.mux";
        const QString path = gone ? dir->filePath("gone.mux") : copyOf(cell("file"));
        if (cell("edit") != "none") {
            win->w->setDocument(parsedFile("habits/two-of-each.mux"));
            if (cell("edit") == "stream")
                typeText(win->edit("tsID"), "0x22");
            else
                typeText(win->edit("serviceName"), "Edited");
        }
        const TransportStreamCfg before = win->doc();
        if (cell("answer") != "-")
            win->prompter.answers << (cell("answer") == "No" ? QMessageBox::No : cell("answer") == "Open" ? QMessageBox::Open : QMessageBox::Cancel);
        if (cell("how") == "argument") {
            win->w->openFile(path);
        } else {
            QMimeData mime;
            mime.setUrls({QUrl::fromLocalFile(path)});
            mime.setText(path);
            QWidget *target = cell("how") == "drop" ? static_cast<QWidget *>(win->w.get()) : win->edit("netName");
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(target, &enter);
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(target, &drop);
            QCOMPARE(drop.isAccepted(), !path.endsWith(".txt"));
            QCoreApplication::processEvents();
        }
        QCOMPARE(win->prompter.titles().join(','), cell("boxes"));
        if (!cell("text").isEmpty())
            QCOMPARE(win->prompter.messages.value(0).text.section('\n', 0, 0), cell("text"));
        const QString status = win->w->statusBar()->currentMessage();
        if (cell("result") == "loaded") {
            QCOMPARE(win->w->documentFileName() + win->edit("netName")->text(), path + "Example Net");
        } else if (cell("result") == "imported") {
            // Untitled and changed, with the status bar's word on it.
            QVERIFY(win->w->documentFileName().isEmpty() && win->w->isChanged() && !win->doc().services.isEmpty());
            QCOMPARE(status.section(':', 0, 0), "Imported " + QDir::toNativeSeparators(path));
        } else {
            QVERIFY(win->w->documentFileName().isEmpty() && status.isEmpty());
            QCOMPARE(win->doc(), before);
        }
    }

    // Every "&" key of a page is taken once, the menu bar's included (two
    // alike, and Alt gives only the first), and Alt opens each menu from the
    // page's first field.
    void mnemonics_data()
    {
        QTest::addColumn<int>("page");
        for (int page = 0; page < 3; ++page)
            QTest::addRow("page %d", page) << page;
    }
    void mnemonics()
    {
        QFETCH(int, page);
        QVERIFY(win->w->openFile(copyOf("habits/two-of-each.mux")));
        auto *tabs = win->get<QTabWidget>("tabWidget");
        tabs->setCurrentIndex(page);
        QMap<int, QStringList> keys; // by the Alt key of the "&" marker
        for (QWidget *w : tabs->widget(page)->findChildren<QWidget *>()) {
            const auto *label = qobject_cast<QLabel *>(w);
            const auto *button = qobject_cast<QAbstractButton *>(w);
            const auto *group = qobject_cast<QGroupBox *>(w);
            const QString text = label ? label->text() : button ? button->text() : group ? group->title() : QString();
            if (!QKeySequence::mnemonic(text).isEmpty())
                keys[QKeySequence::mnemonic(text)[0].toCombined()] << text;
        }
        for (const QStringList &texts : std::as_const(keys))
            QVERIFY2(texts.size() == 1, qPrintable(texts.join(", ")));
        for (QAction *menu : win->get<QMenuBar>("menuBar")->actions()) {
            const QKeyCombination key = QKeySequence::mnemonic(menu->text())[0];
            QVERIFY2(!keys.contains(key.toCombined()), qPrintable(keys.value(key.toCombined()).join(", ")));
            QWidget *field = fieldsOn(tabs->widget(page)).first();
            field->setFocus();
            QTest::keyClick(field, key.key(), key.keyboardModifiers());
            QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget *>(menu->menu()));
            menu->menu()->close();
        }
    }

    // At its smallest the window fits a 1024x600 screen with a title bar, and
    // every field of every page can be scrolled to at its full height.
    void windowFits()
    {
        QVERIFY(win->w->openFile(copyOf("habits/two-of-each.mux")));
        win->w->resize(1, 1);
        QTRY_VERIFY(win->w->width() <= 800 && win->w->height() <= 460);
        const QSize smallest = win->w->size();

        auto *tabs = win->get<QTabWidget>("tabWidget");
        for (int page = 0; page < tabs->count(); ++page) {
            for (QWidget *field : fieldsOn(tabs->widget(page))) {
                bringIntoView(field);
                QCoreApplication::processEvents();
                const QString name = tabs->tabText(page) + ": " + field->objectName();
                const int least = field->minimumHeight() > 0 ? field->minimumHeight() : field->minimumSizeHint().height();
                QVERIFY2(field->height() >= least, qPrintable(name + " squashed"));
                QVERIFY2(field->visibleRegion().boundingRect() == field->rect(), qPrintable(name + " out of sight"));
            }
        }
        QCOMPARE(win->w->size(), smallest);
        // Width to spare goes to the lists.
        for (const char *list : {"filters", "services"}) {
            bringIntoView(win->list(list));
            QCoreApplication::processEvents();
            const int before = win->list(list)->width();
            win->w->resize(win->w->width() + 300, win->w->height());
            QTRY_COMPARE(win->list(list)->width(), before + 300);
        }
    }

    // An entry shows each of its lines however tall their script, a line too
    // wide cut with "…" and the entry whole in its tooltip.
    void entriesShowEveryLine_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("cut");
        QTest::newRow("CJK and emoji") << "\u65e5\u672c Kids \U0001F4FA" << false;
        QTest::newRow("too wide") << QString(300, 'W') << true;
        QTest::newRow("too wide, CJK") << QString(100, QChar(0x672c)) + "\U0001F4FA" << true;
    }
    void entriesShowEveryLine()
    {
        QFETCH(QString, name);
        QFETCH(bool, cut);
        TransportStreamCfg cfg = parsedFile("habits/two-of-each.mux");
        cfg.services[0].serviceName = name;
        win->w->setDocument(cfg);
        win->get<QTabWidget>("tabWidget")->setCurrentIndex(2);
        RecordList *list = win->list("services");
        QCoreApplication::processEvents();
        const QString text = list->rowText(0);
        int tall = 0;
        for (const QString &line : text.split('\n'))
            tall += EntryDelegate::lineHeight(line, list->font());
        QVERIFY(list->rowRect(0).height() > tall); // a margin around the lines
        const int width = list->viewport()->width() - 8;
        const QStringList shown = EntryDelegate::shownLines(text, list->font(), width);
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(1), text.section('\n', 1));
        QCOMPARE(shown.at(0) != text.section('\n', 0, 0), cut);
        if (cut)
            QVERIFY(shown.at(0).endsWith(QChar(0x2026)) && QFontMetrics(list->font()).horizontalAdvance(shown.at(0)) <= width);
        const QPoint at = list->rowRect(0).center();
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &help);
        QTRY_COMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), cut ? text : QString());
        QToolTip::hideText();
    }

    // The keys every other program has, from a list or a field alike.
    void shortcuts_data() { rowsFrom("habits/keys.txt", {"key", "focus", "opens"}); }
    void shortcuts()
    {
        QVERIFY(win->w->openFile(copyOf("habits/two-of-each.mux")));
        QWidget *field = win->get(qPrintable(cell("focus")));
        bringIntoView(field);
        field->setFocus();
        const QKeySequence sequence(cell("key"));
        QTest::keyClick(field, sequence[0].key(), sequence[0].keyboardModifiers());
        QString opened = win->prompter.fileRequests.isEmpty() ? QString() : win->prompter.fileRequests.last().caption;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top != win->w.get() && top->isVisible() && qobject_cast<QDialog *>(top))
                opened = top->windowTitle();
        QCOMPARE(opened, cell("opens"));
    }

    // A line in the status bar after each write; Export starts beside the
    // configuration, then where this document was last exported.
    void wordAfterWriting()
    {
        const QString file = copyOf("habits/two-of-each.mux");
        QVERIFY(win->w->openFile(file));
        const auto written = [](const QString &done, const QString &name) {
            return QStringLiteral("%1 %2: %3 bytes written.")
                .arg(done, QDir::toNativeSeparators(name), QLocale().toString(QFileInfo(name).size()));
        };
        typeText(win->edit("netName"), "Other Net");
        win->trigger("action_Save");
        QCOMPARE(win->w->statusBar()->currentMessage(), written("Saved", file));
        win->prompter.fileNames << dir->filePath("out");
        win->trigger("action_ExportToMUX");
        QCOMPARE(win->w->statusBar()->currentMessage(), written("Exported to", dir->filePath("out.mbn")));
        win->trigger("action_ExportToMUX");
        win->trigger("action_New");
        win->trigger("action_ExportToMUX");
        QStringList starts;
        for (const ScriptedPrompter::FileRequest &r : std::as_const(win->prompter.fileRequests))
            starts << QString(r.dir).replace(dir->path() + '/', QString());
        QCOMPARE(starts, (QStringList{"two-of-each.mbn", "out.mbn", ""}));
        // A write that fails names the file.
        win->prompter.fileNames << dir->filePath("gone/out.mbn");
        win->trigger("action_ExportToMUX");
        QVERIFY(win->prompter.messages.value(0).informativeText.startsWith(QDir::toNativeSeparators(dir->filePath("gone/out.mbn"))));
    }

    // A refused export names its first reasons in the box itself, a long
    // service name cut in the middle; Show Details has every one whole.
    void exportErrorSaysWhy()
    {
        const TransportStreamCfg cfg = parsedFile("habits/unexportable.mux");
        win->w->setDocument(cfg);
        win->prompter.fileNames << dir->filePath("out.mbn");
        win->trigger("action_ExportToMUX");
        QCOMPARE(win->prompter.titles(), QStringList{"Export Error"});
        const Prompter::Message box = win->prompter.messages.first();
        COMPARE_LINES(box.informativeText.toUtf8() + '\n', testData("habits/export-error.txt"));
        QCOMPARE(box.detailedText.count('\n'), 7);
        QVERIFY(box.detailedText.contains(cfg.services.first().serviceName));
        QVERIFY(!QFile::exists(dir->filePath("out.mbn")));
    }

    // One field changed as an operator does: the commit stores that field
    // alone (a number at either end of its range), or refuses one beyond
    // either end and names the range.
    void fieldEdits_data() { rowsFrom("habits/field-edits.txt", {"widget", "change", "result"}); }
    void fieldEdits()
    {
        QVERIFY(win->w->openFile(copyOf("habits/two-of-each.mux")));
        typeText(win->edit("serviceID"), "5"); // the least id is taken as a change
        setChecked(win->get("featPOT"), true); // the intervals take part
        QVERIFY(win->w->commitPages());
        const auto fields = [this]() {
            const TransportStreamCfg &d = win->doc();
            const ServiceCfg &s = d.services.first();
            QMap<QString, QString> v{{"ca", QVariant(s.caEnabled).toString()}, {"logical-channel", QVariant(s.lcEnabled).toString()}};
            for (const auto &f : cfgfield::streamFields)
                v["ts." + f.key.toByteArray()] = f.text ? d.*f.text : f.flag ? QVariant(d.*f.flag).toString() : QString::number(f.number(d));
            for (const auto &f : cfgfield::serviceFields)
                v[f.key.toByteArray()] = f.text ? s.*f.text : f.flag ? QVariant(s.*f.flag).toString() : QString::number(f.number(s));
            return v;
        };
        const QMap<QString, QString> before = fields();
        QWidget *widget = win->get(qPrintable(cell("widget")));
        const QString how = cell("change").section(' ', 0, 0), value = cell("change").section(' ', 1);
        if (how == "space")
            pressSpace(widget);
        else if (how == "index")
            chooseIndex(static_cast<QComboBox *>(widget), value.toInt());
        else if (how == "spin")
            typeText(static_cast<QSpinBox *>(widget), value.toInt());
        else
            typeText(static_cast<QLineEdit *>(widget), value);
        QStringList result;
        if (!win->w->commitPages())
            result << "refused: " + win->prompter.messages.value(0).informativeText;
        const QMap<QString, QString> after = fields();
        for (auto it = after.cbegin(); it != after.cend(); ++it)
            if (before.value(it.key()) != it.value())
                result << it.key() + '=' + it.value();
        QCOMPARE(result.join(", "), cell("result"));
    }

    // 200 steps back and no more; the state last saved is gone with the
    // oldest step, so the document stays changed.
    void historyKeeps200Steps()
    {
        QVERIFY(win->w->openFile(copyOf("habits/two-of-each.mux")));
        for (int i = 1; i <= 201; ++i) {
            typeText(win->edit("tsID"), QString::number(100 + i));
            QVERIFY(win->w->commitPages());
        }
        int undone = 0;
        while (action("action_Undo")->isEnabled() && undone < 300) {
            win->trigger("action_Undo");
            ++undone;
        }
        QCOMPARE(undone, 200);
        QCOMPARE(win->doc().id, 101);
        QVERIFY(win->w->isChanged());
    }

    // The page, size and splitter as the window was closed.
    void layoutRestored()
    {
        win->get<QTabWidget>("tabWidget")->setCurrentIndex(2);
        win->w->resize(790, 400);
        win->get<QSplitter>("splitter")->setSizes({300, 490});
        QCoreApplication::processEvents();
        const QList<int> sizes = win->get<QSplitter>("splitter")->sizes();
        QVERIFY(win->w->close());
        Velunor again{Settings(dir->path())};
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(child<QTabWidget>(&again, "tabWidget")->currentIndex(), 2);
        QCOMPARE(again.size(), QSize(790, 400));
        QCOMPARE(child<QSplitter>(&again, "splitter")->sizes(), sizes);
    }

    // New leaves nothing of the old document in any list or field.
    void newLeavesNothing()
    {
        QVERIFY(win->w->openFile(copyOf("habits/two-of-each.mux")));
        clickRow(win->list("services"), 0);
        win->prompter.answers << QMessageBox::No;
        win->trigger("action_New");
        for (const char *list : {"filters", "services", "elements"})
            QVERIFY2(win->list(list)->count() == 0, list);
        for (QLineEdit *edit : win->w->findChildren<QLineEdit *>())
            QVERIFY2(!edit->text().contains("News") && !edit->text().contains("Example"), qPrintable(edit->objectName()));
        QCOMPARE(win->doc(), TransportStreamCfg());
        QVERIFY(!win->w->isChanged() && !win->w->hasPendingEdits());
    }

    void warningShowsField_data() { rowsFrom("habits/warnings.txt", {"field", "text", "before", "command", "notation", "allowed", "page"}); }
    void warningShowsField()
    {
        restart(cell("notation") == "hex");
        QVERIFY(win->w->openFile(copyOf("habits/two-of-each.mux")));
        QLineEdit *edit = win->edit(qPrintable(cell("field")));
        typeText(edit, cell("text"));
        win->get<QTabWidget>("tabWidget")->setCurrentIndex(cell("before").toInt());
        win->prompter.answers << QMessageBox::Yes;
        win->prompter.fileNames << dir->filePath("out");
        if (cell("command") == "Close")
            win->w->close();
        else if (cell("command") == "1")
            clickRow(win->list("services"), 1);
        else
            win->trigger(qPrintable("action_" + cell("command")));
        const Prompter::Message warning = win->prompter.messages.value(win->prompter.messages.size() - 1);
        QCOMPARE(warning.title + ": " + warning.informativeText, "Invalid Value: " + cell("allowed"));
        QCOMPARE(win->get<QTabWidget>("tabWidget")->currentIndex(), cell("page").toInt());
        QCOMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(edit->selectedText(), cell("text"));
    }
};

QTEST_MAIN(TestHabits)
#include "test_habits.moc"
