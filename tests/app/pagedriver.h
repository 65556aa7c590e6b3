#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

#include "dialogs/settings.h"

// Helpers that drive the main window's pages as an operator does: typing,
// the space bar on check boxes and group boxes, mouse clicks on list rows,
// and acting inside a real modal dialog or popup menu from its own loop.

template<typename T>
T *widget(QWidget *parent, const char *name)
{
    T *w = parent->findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

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

inline void chooseIndex(QComboBox *combo, int index)
{
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < index; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
}

inline void clickRow(QListWidget *list, int row)
{
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

inline void doubleClickRow(QListWidget *list, int row)
{
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

inline void clickButton(QDialog *dialog, QDialogButtonBox::StandardButton which)
{
    auto *box = dialog->findChild<QDialogButtonBox *>();
    if (!box || !box->button(which))
        qFatal("dialog without that button");
    QTest::mouseClick(box->button(which), Qt::LeftButton);
}

// Runs `act` on the next modal dialog once its loop is running. A dialog
// left open after a failed check is rejected, so the test never hangs.
class ModalHandler {
public:
    explicit ModalHandler(std::function<void(QDialog *)> act)
        : timer(std::make_unique<QTimer>())
    {
        timer->setInterval(1);
        QObject::connect(timer.get(), &QTimer::timeout, [this, act]() {
            QPointer<QDialog> dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            timer->stop();
            ran = true;
            title = dialog->windowTitle();
            className = QString::fromLatin1(dialog->metaObject()->className());
            act(dialog);
            if (dialog && dialog->isVisible() && QTest::currentTestFailed())
                dialog->reject();
        });
        timer->start();
    }

    bool ran = false;
    QString title;
    QString className;

private:
    std::unique_ptr<QTimer> timer;
};

// Runs `act` on the next popup menu once it is shown.
class PopupHandler {
public:
    explicit PopupHandler(std::function<void(QMenu *)> act)
        : timer(std::make_unique<QTimer>())
    {
        timer->setInterval(1);
        QObject::connect(timer.get(), &QTimer::timeout, [this, act]() {
            QPointer<QMenu> menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu || !menu->isVisible())
                return;
            timer->stop();
            ran = true;
            act(menu);
            if (menu && menu->isVisible())
                menu->close();
        });
        timer->start();
    }

    bool ran = false;

private:
    std::unique_ptr<QTimer> timer;
};

// The window reads the notation from velunor.ini beside the executable; each
// page test runs from a directory of its own, so writing it there is private.
inline void setNotation(bool hex)
{
    Settings settings;
    settings.hex = hex;
    if (!settings.save())
        qFatal("cannot write %s", qPrintable(settings.iniFile));
}

inline void removeNotation()
{
    QFile::remove(Settings().iniFile);
}
