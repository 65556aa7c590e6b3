#pragma once

#include <QWidget>

#include "config/model.h"

QT_BEGIN_NAMESPACE
namespace Ui {
class VelunorClass;
}
class QLineEdit;
class QUndoCommand;
QT_END_NAMESPACE

struct Settings;

// What a page of the main window shares with it: the window's form (a page
// touches only the widgets that stand on it), the document, which only
// steps change, and the settings for the notation.
struct PageContext {
    Ui::VelunorClass *ui;
    TransportStreamCfg *doc;
    const Settings *settings;
};

// A tab page of the main window that edits part of the document. It owns
// what it shows and what is typed on it; every change it makes reaches the
// document as a step handed to the window (changeMade), which keeps the
// history.
class DocumentPage : public QWidget {
    Q_OBJECT

public:
    // How a commit meets a field that holds no number in its range: with the
    // warning and the field's range, without a word, or with the warning and
    // what to do before Undo can go on.
    enum class Refusal { Warn, Silent, WarnBeforeUndo };

    using QWidget::QWidget;

    // Connects the page's on_<object>_<signal> slots to the widgets on it.
    void attach(const PageContext &context);
    // The window is going: its form and document go before the last focus
    // events of the page's fields, which the page then leaves alone.
    void detach() { ui = nullptr; }

    // Typed edits that have not reached the document yet.
    virtual bool hasPendingEdits() const { return false; }
    // Hands the pending edits to the window as one step; false, and the
    // typing kept, when a field is refused (with its warning when asked).
    virtual bool commit(Refusal refusal = Refusal::Warn);
    // Pending edits that a commit would refuse.
    virtual bool refusesEdits() const { return false; }

Q_SIGNALS:
    // A change other than the typed edits is about to reach the document:
    // the window takes the typed edits in first, so that steps keep the
    // order in which they were made.
    void changeComing();
    void changeMade(QUndoCommand *step);
    // A field was typed in or toggled: whether edits are pending may differ.
    void edited();

protected:
    // A number field of a page: the field, its range and what it holds in
    // the document.
    struct NumberField {
        QLineEdit *field;
        qint32 least;
        qint32 greatest;
        const char *name; // translated in the Velunor context
        qint32 stored;
        bool decimal;     // shown in decimal whatever the notation
    };

    bool eventFilter(QObject *watched, QEvent *event) override;

    // Hands a step that does not depend on the typed edits to the window,
    // after the typed edits (changeComing).
    void makeChange(QUndoCommand *step);
    bool hex() const;
    void reportEdits(); // edited() from every field on the page
    // The number fields with what the document holds for them now.
    virtual QList<NumberField> shownNumbers() const { return {}; }
    // Each number field shows its number as read when the operator leaves it.
    void showNumbersAsRead();
    // The first field that takes part (is enabled), differs from what is
    // stored and holds no number in its range; nullptr when none.
    static const NumberField *refusedField(const QList<NumberField> &numbers);
    // Tells the operator about f (when asked) and returns false.
    bool refuse(const NumberField &f, Refusal refusal);
    // What the field will store: the number typed, or the stored one.
    static qint32 valueOf(const NumberField &f);
    // Shows the stored number again where the field shows something else.
    void showStored(const NumberField &f);

    Ui::VelunorClass *ui = nullptr;
    TransportStreamCfg *doc = nullptr;
    const Settings *settings = nullptr;
};
