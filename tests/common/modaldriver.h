#pragma once

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <functional>

#include "scriptedprompter.h"

// Acting inside our own modal dialogs the way an operator does.
template<typename T = QWidget>
T *child(QWidget *parent, const QString &name)
{
    T *w = parent->findChild<T *>(name);
    if (!w)
        qFatal("no child %s", qPrintable(name));
    return w;
}

// Runs `act` once the next modal dialog is up in its own loop. A dialog still
// open afterwards (a refused value) is noted with the widget holding its
// focus, then rejected so that exec() returns.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QDialog *)> act)
    {
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this, act]() {
            QPointer<QDialog> d = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!d || !d->isVisible())
                return;
            timer.stop();
            ran = true;
            title = d->windowTitle();
            className = QString::fromLatin1(d->metaObject()->className());
            parent = d->parentWidget();
            act(d);
            if (d && d->isVisible()) {
                stayedOpen = true;
                focus = d->focusWidget() ? d->focusWidget()->objectName() : QStringLiteral("(none)");
                d->reject();
            }
        });
        timer.start();
    }

    bool ran = false, stayedOpen = false;
    QString title, className, focus;
    QPointer<QWidget> parent;

private:
    QTimer timer;
};

// Operator steps, one string each: "field=text" types into a line edit,
// "combo=2" picks the third item with the keyboard, "box" presses the space
// bar (a disabled box ignores it), "OK" clicks OK.
inline void clickBox(QWidget *dlg, bool ok)
{
    auto *box = dlg->findChild<QDialogButtonBox *>();
    auto *button = box ? box->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel) : nullptr;
    if (!button)
        qFatal("no such button");
    QTest::mouseClick(button, Qt::LeftButton);
}

inline void perform(QWidget *dlg, const QStringList &steps)
{
    for (const QString &step : steps) {
        if (step == QLatin1String("OK")) {
            clickBox(dlg, true);
            continue;
        }
        const QString arg = step.section(QLatin1Char('='), 1);
        QWidget *w = child(dlg, step.section(QLatin1Char('='), 0, 0));
        if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Delete);
            QTest::keyClicks(edit, arg);
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            QTest::keyClick(combo, Qt::Key_Home);
            for (int i = 0; i < arg.toInt(); ++i)
                QTest::keyClick(combo, Qt::Key_Down);
        } else {
            QTest::keyClick(w, Qt::Key_Space);
        }
    }
}

// The refusals the operator met: the field named by each "Invalid Value" box,
// then "@" and the object holding the focus when the dialog stayed open.
// Empty when the dialog closed without a word.
inline QString refusal(const ScriptedPrompter &prompter, const ModalDriver &driver)
{
    const QString prefix = QStringLiteral("Please correct the contents of the field \"");
    QStringList fields;
    for (const Prompter::Message &m : prompter.messages) {
        const bool invalid = m.title == QLatin1String("Invalid Value") && m.text.startsWith(prefix)
                             && m.text.endsWith(QLatin1Char('"'));
        fields << (invalid ? m.text.mid(prefix.size()).chopped(1) : m.title + QLatin1String(": ") + m.text);
    }
    QString out = fields.join(QLatin1Char(','));
    if (driver.stayedOpen)
        out += QLatin1Char('@') + driver.focus;
    return out;
}
