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
        if (command == "stream" || command == "default" || command == "service") {
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
            QListWidget *list = win->list(qPrintable(words.at(0)));
            list->setCurrentRow(words.at(1).toInt());
            list->setFocus();
            const QKeySequence key(words.at(2));
            const auto press = [&]() { QTest::keyClick(list, key[0].key(), key[0].keyboardModifiers()); };
            if (!menu)
                return press();
            // At the current entry, not at the mouse pointer.
            const QPoint current = list->viewport()->mapToGlobal(list->visualItemRect(list->currentItem()).center());
            QPoint at;
            popupMenu(press, entry, &at);
            QCOMPARE(at, current);
        }
    }

private Q_SLOTS:
    void init()
    {
        win.reset(); // its prompter first, so that the new one stays installed
        dir = std::make_unique<QTemporaryDir>();
        win = std::make_unique<Window>(TransportStreamCfg(), false, 0, dir->path());
    }

    void undoRedo_data() { rowsFrom("habits/undo-steps.txt", {"command", "step", "page", "row"}); }
    void undoRedo()
    {
        QFETCH(QString, command);
        QFETCH(QString, step);
        QFETCH(QString, page);
        QFETCH(QString, row);
        const QString file = copyOf("habits/two-of-each.mux");
        QVERIFY(win->w->openFile(file));
        const TransportStreamCfg before = win->doc();
        perform(command);
        const TransportStreamCfg after = win->doc();
        QVERIFY(after != before && win->w->isChanged());
        QCOMPARE(action("action_Undo")->text(), "&Undo " + step);

        // Ctrl+Z in a text field is the field's; the first document undo
        // reverts what is typed and not committed, without a word.
        QLineEdit *netName = win->edit("netName"), *pmtPID = win->edit("pmtPID");
        const QString pmtShown = pmtPID->text();
        QTest::keyClicks(netName, "x");
        QTest::keyClick(netName, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(netName->text(), after.netName);
        QCOMPARE(win->doc(), after);
        typeText(netName, "70000");
        typeText(pmtPID, "70000");
        win->trigger("action_Undo");
        QCOMPARE(netName->text() + pmtPID->text(), after.netName + pmtShown);
        QCOMPARE(win->doc(), after);
        // Elsewhere Ctrl+Z undoes the step: the document is as saved again.
        auto *tabs = win->get<QTabWidget>("tabWidget");
        tabs->setCurrentIndex((page.toInt() + 1) % 3);
        win->w->activateWindow(); // after a dialog, for the shortcuts
        QVERIFY(QTest::qWaitForWindowActive(win->w.get()));
        tabs->setFocus();
        QTest::keyClick(tabs, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(win->doc(), before);
        QVERIFY(!win->w->hasUnsavedChanges());
        QCOMPARE(tabs->currentIndex(), page.toInt());
        if (row != "-1")
            QCOMPARE(win->list(page == "1" ? "filters" : "services")->currentRow(), row.toInt());
        QCOMPARE(action("action_Redo")->text(), "&Redo " + step);
        QTest::keyClick(tabs, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(win->doc(), after);
        QVERIFY(win->w->isChanged());
        QVERIFY(win->prompter.titles().size() <= 1); // the removal's question

        win->prompter.answers << QMessageBox::No;
        QVERIFY(win->w->openFile(file));
        QVERIFY(!action("action_Undo")->isEnabled() && !action("action_Redo")->isEnabled());
    }

    // Loaded and saved files are offered again after a restart, newest first;
    // a name typed without a suffix gets one.
    void recentFiles()
    {
        const QString file = copyOf("habits/two-of-each.mux");
        QVERIFY(win->w->openFile(file));
        win->prompter.fileNames << dir->filePath("stream") << dir->filePath("out");
        win->trigger("action_SaveAs");
        win->trigger("action_ExportToMUX");
        QVERIFY(QFile::exists(dir->filePath("stream.mux")) && QFile::exists(dir->filePath("out.mbn")));
        win.reset();
        win = std::make_unique<Window>(TransportStreamCfg(), false, 0, dir->path());
        QCOMPARE(recentEntries(), (QStringList{"&1 stream.mux", "&2 two-of-each.mux", "", "&Clear"}));
        QVERIFY(QFile::remove(dir->filePath("stream.mux")));
        win->get<QMenu>("menu_RecentFiles")->actions().at(0)->trigger();
        QCOMPARE(win->prompter.titles(), QStringList{"Read Error"});
        QCOMPARE(recentEntries(), (QStringList{"&1 two-of-each.mux", "", "&Clear"}));
        win->get<QMenu>("menu_RecentFiles")->actions().at(0)->trigger();
        QCOMPARE(win->w->documentFileName(), file);
        win->trigger("action_ClearRecentFiles");
        QCOMPARE(Settings(dir->path()).recentFiles, QStringList());
    }

    void openFromOutside_data() { rowsFrom("habits/opening.txt", {"how", "file", "edit", "answer", "loaded", "boxes"}); }
    void openFromOutside()
    {
        QFETCH(QString, how);
        QFETCH(QString, file);
        QFETCH(QString, edit);
        QFETCH(QString, answer);
        QFETCH(QString, loaded);
        QFETCH(QString, boxes);
        const QString path = file == "gone.mux" ? dir->filePath(file) : copyOf("habits/" + file);
        if (edit == "stream")
            typeText(win->edit("tsID"), "0x22");
        if (answer != "-")
            win->prompter.answers << (answer == "No" ? QMessageBox::No : QMessageBox::Cancel);
        if (how == "argument") {
            win->w->openFile(path);
        } else {
            QMimeData mime;
            mime.setUrls({QUrl::fromLocalFile(path)});
            mime.setText(path);
            QWidget *target = how == "drop" ? static_cast<QWidget *>(win->w.get()) : win->edit("netName");
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(target, &enter);
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(target, &drop);
            QCOMPARE(drop.isAccepted(), file.endsWith(".mux"));
            QCoreApplication::processEvents();
        }
        QCOMPARE(win->prompter.titles().join(','), boxes);
        QCOMPARE(win->w->documentFileName(), loaded == "yes" ? path : QString());
        QCOMPARE(win->edit("netName")->text(), loaded == "yes" ? "Example Net" : "");
    }

    // Enter on a service opens it and puts the cursor in its first field.
    void enterOpensService()
    {
        QVERIFY(win->w->openFile(copyOf("habits/two-of-each.mux")));
        perform("services 1 Return");
        QCOMPARE(win->edit("serviceName")->text(), QStringLiteral("Radio"));
        QCOMPARE(QApplication::focusWidget(), win->edit("serviceID"));
        QCOMPARE(win->edit("serviceID")->selectedText(), QStringLiteral("2"));
    }

    void warningShowsField_data() { rowsFrom("habits/warnings.txt", {"field", "text", "before", "command", "notation", "allowed", "page"}); }
    void warningShowsField()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, before);
        QFETCH(QString, command);
        QFETCH(QString, notation);
        QFETCH(QString, allowed);
        QFETCH(QString, page);
        win.reset();
        win = std::make_unique<Window>(TransportStreamCfg(), notation == "hex", 0, dir->path());
        QVERIFY(win->w->openFile(copyOf("habits/two-of-each.mux")));
        QLineEdit *edit = win->edit(qPrintable(field));
        typeText(edit, text);
        win->get<QTabWidget>("tabWidget")->setCurrentIndex(before.toInt());
        win->prompter.fileNames << dir->filePath("out");
        win->prompter.answers << QMessageBox::Yes;
        if (command == "Close")
            win->w->close();
        else if (command == "1")
            clickRow(win->list("services"), 1);
        else
            win->trigger(qPrintable("action_" + command));
        const Prompter::Message warning = win->prompter.messages.last();
        QCOMPARE(warning.title + ": " + warning.informativeText, "Invalid Value: " + allowed);
        QCOMPARE(win->get<QTabWidget>("tabWidget")->currentIndex(), page.toInt());
        QCOMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(edit->selectedText(), text);
    }
};

QTEST_MAIN(TestHabits)
#include "test_habits.moc"
