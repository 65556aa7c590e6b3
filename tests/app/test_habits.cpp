// The habits of a desktop editor, through the real window: undo and redo of
// every kind of step, the recent files across a restart, files opened from
// outside, the keyboard on the lists and warnings that show their field.

#include <QtTest>

#include <QTemporaryDir>

#include "pagedriver.h"

class TestHabits : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Window> win;

    QString copyOf(const QString &golden)
    {
        const QString name = dir->filePath(QFileInfo(golden).fileName());
        writeWholeFile(name, testData(golden));
        return name;
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

    void openFromOutside_data() { rowsFrom("habits/opening.txt", {"how", "file", "edit", "answer", "loaded", "boxes"}); }
    void openFromOutside()
    {
        const QString path = cell("file") == "gone.mux" ? dir->filePath("gone.mux") : copyOf("habits/" + cell("file"));
        if (cell("edit") == "stream")
            typeText(win->edit("tsID"), "0x22");
        if (cell("answer") != "-")
            win->prompter.answers << (cell("answer") == "No" ? QMessageBox::No : QMessageBox::Cancel);
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
            QCOMPARE(drop.isAccepted(), path.endsWith(".mux"));
            QCoreApplication::processEvents();
        }
        const bool loaded = cell("loaded") == "yes";
        QCOMPARE(win->prompter.titles().join(','), cell("boxes"));
        QCOMPARE(win->w->documentFileName() + win->edit("netName")->text(), loaded ? path + "Example Net" : "");
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
