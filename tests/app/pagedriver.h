#pragma once

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QMenu>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>

#include <memory>

#include "app/recordlist.h"
#include "app/velunor.h"
#include "dialogs/settings.h"
#include "tests/common/filehelpers.h"
#include "tests/common/modaldriver.h"
#include "tests/common/scriptedprompter.h"

// Driving the main window's pages as an operator does: typing, the space bar
// on check boxes and group boxes, mouse clicks on list rows and buttons, and
// entries of the lists' context menus.

// Select all, then type: what replaces a field's text at the keyboard.
inline void typeText(QLineEdit *edit, const QString &text)
{
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

inline void typeText(QSpinBox *spin, int value)
{
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin, QString::number(value));
    QTest::keyClick(spin, Qt::Key_Return);
}

// Space toggles a check box, a radio button and a checkable group box alike.
inline void pressSpace(QWidget *w)
{
    QTest::keyClick(w, Qt::Key_Space);
}

inline void setChecked(QWidget *box, bool checked)
{
    const auto *group = qobject_cast<QGroupBox *>(box);
    if ((group ? group->isChecked() : static_cast<QAbstractButton *>(box)->isChecked()) != checked)
        pressSpace(box);
}

inline void chooseIndex(QComboBox *combo, int index)
{
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < index; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
}

inline void clickRow(RecordList *list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->rowRect(row).center());
}

inline void doubleClickRow(RecordList *list, int row)
{
    const QPoint at = list->rowRect(row).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// A case table in tests/data: a row a line, its name first, cells separated
// by '|'; '#' starts a comment.
inline void rowsFrom(const QString &file, std::initializer_list<const char *> columns)
{
    for (const char *c : columns)
        QTest::addColumn<QString>(c);
    for (const QString &line : QString::fromUtf8(testData(file)).split('\n', Qt::SkipEmptyParts)) {
        const QStringList cells = line.split('|');
        if (line.startsWith('#'))
            continue;
        QTestData &row = QTest::newRow(qPrintable(cells.first().trimmed()));
        for (const QString &cell : cells.mid(1))
            row << cell.trimmed();
    }
}

// A cell of the current row of a table read by rowsFrom.
inline QString cell(const char *column)
{
    return *static_cast<QString *>(QTest::qData(column, QMetaType::QString));
}

// Runs `open`, which pops up a menu: returns the menu's entries ("" for a
// separator), chooses the one named `choose` and tells where the menu stood.
inline QStringList popupMenu(const std::function<void()> &open, const QString &choose = QString(), QPoint *at = nullptr)
{
    QStringList texts;
    QTimer timer;
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&]() {
        QPointer<QMenu> menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible())
            return;
        timer.stop();
        if (at)
            *at = menu->pos();
        for (QAction *a : menu->actions()) {
            texts << a->text();
            if (!choose.isEmpty() && a->text() == choose) {
                menu->setActiveAction(a);
                QTest::keyClick(menu, Qt::Key_Return);
            }
        }
        if (menu && menu->isVisible())
            menu->close();
    });
    timer.start();
    open();
    return texts;
}

// Right click on a list row (below the entries when row is -1).
inline QStringList contextMenu(RecordList *list, int row, const QString &choose = QString())
{
    return popupMenu([&]() {
        const QPoint pos = row >= 0 ? list->rowRect(row).center()
                                    : QPoint(5, list->viewport()->height() - 3);
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, list->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(list->viewport(), &event);
    }, choose);
}

// Each entry's text; an entry whose item data is not its position says so.
inline QStringList texts(const RecordList *list)
{
    QStringList t;
    for (int i = 0; i < list->count(); ++i) {
        t << list->rowText(i);
        if (list->model()->index(i, 0).data(Qt::UserRole).toInt() != i)
            t << QStringLiteral("<entry %1 carries the wrong position>").arg(i);
    }
    return t;
}

// The main window in the given notation, a page in front and a document set.
// The prompter is installed before the window exists, so no real message box
// can block.
struct Window {
    // With settingsDir, the window keeps its settings in a velunor.ini there.
    explicit Window(const TransportStreamCfg &cfg = TransportStreamCfg(), bool hex = false, int tab = 0,
                    const QString &settingsDir = QString())
    {
        Settings settings = settingsDir.isEmpty() ? Settings() : Settings(settingsDir);
        settings.hex = hex;
        if (!settings.save())
            qFatal("cannot write %s", qPrintable(settings.iniFile));
        w = std::make_unique<Velunor>(settings);
        get<QTabWidget>("tabWidget")->setCurrentIndex(tab);
        w->show();
        if (!QTest::qWaitForWindowActive(w.get()))
            qFatal("window not active");
        w->setDocument(cfg);
    }
    template<typename T = QWidget>
    T *get(const char *name) const { return child<T>(w.get(), QString::fromLatin1(name)); }
    QLineEdit *edit(const char *name) const { return get<QLineEdit>(name); }
    RecordList *list(const char *name) const { return get<RecordList>(name); }
    void click(const char *button) const { QTest::mouseClick(get<QAbstractButton>(button), Qt::LeftButton); }
    void trigger(const char *action) const { get<QAction>(action)->trigger(); }
    const TransportStreamCfg &doc() const { return w->document(); }

    ScriptedPrompter prompter;
    std::unique_ptr<Velunor> w;
};
