#pragma once

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <QStringList>

#include <functional>

// Acts inside a dialog's own modal loop the way an operator does: the action
// is queued before exec() and runs once the dialog is the active modal widget.
// A dialog still open after the action (a refused value) is noted with the
// widget that holds its focus, then rejected so that exec() returns.
class ModalDriver {
public:
    void schedule(std::function<void(QDialog *)> act)
    {
        QTimer::singleShot(0, [this, act]() {
            QPointer<QDialog> dlg = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            ran = true;
            title = dlg->windowTitle();
            act(dlg);
            if (dlg && dlg->isVisible()) {
                stayedOpen = true;
                focus = dlg->focusWidget();
                dlg->reject();
            }
        });
    }

    bool ran = false;
    bool stayedOpen = false;
    QString title;
    QPointer<QWidget> focus;
};

template<typename T>
T *child(QWidget *dlg, const char *name)
{
    T *w = dlg->findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no child %s", name);
    return w;
}

// Replaces the text of a line edit by typing, as an operator does.
inline void typeInto(QWidget *dlg, const char *name, const QString &text)
{
    auto *edit = child<QLineEdit>(dlg, name);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// Selects a combo box item with the keyboard (Home, then Down).
inline void chooseItem(QWidget *dlg, const char *name, int index)
{
    auto *combo = child<QComboBox>(dlg, name);
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < index; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
}

// Toggles a check box with the space bar; a disabled box ignores it.
inline void toggle(QWidget *dlg, const char *name)
{
    QTest::keyClick(child<QCheckBox>(dlg, name), Qt::Key_Space);
}

// Runs operator steps written as "text:object=typed text", "choose:object=index"
// or "toggle:object", so that data rows can say what the operator did.
inline void perform(QWidget *dlg, const QStringList &steps)
{
    for (const QString &step : steps) {
        const int colon = step.indexOf(QLatin1Char(':'));
        const QString verb = step.left(colon);
        const QString rest = step.mid(colon + 1);
        const int eq = rest.indexOf(QLatin1Char('='));
        const QByteArray object = (eq < 0 ? rest : rest.left(eq)).toLatin1();
        const QString arg = eq < 0 ? QString() : rest.mid(eq + 1);
        if (verb == QLatin1String("text"))
            typeInto(dlg, object.constData(), arg);
        else if (verb == QLatin1String("choose"))
            chooseItem(dlg, object.constData(), arg.toInt());
        else if (verb == QLatin1String("toggle"))
            toggle(dlg, object.constData());
        else
            qFatal("unknown step %s", qPrintable(step));
    }
}

inline void clickBox(QWidget *dlg, QDialogButtonBox::StandardButton which)
{
    auto *box = dlg->findChild<QDialogButtonBox *>();
    if (!box || !box->button(which))
        qFatal("no such button");
    QTest::mouseClick(box->button(which), Qt::LeftButton);
}
