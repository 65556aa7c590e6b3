#include "app/documentpage.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFocusEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>

#include "config/number.h"
#include "dialogs/settings.h"
#include "dialogs/valueentry.h"

void DocumentPage::attach(const PageContext &context)
{
    ui = context.ui;
    doc = context.doc;
    settings = context.settings;
    QMetaObject::connectSlotsByName(this);
}

bool DocumentPage::commit(Refusal)
{
    return true;
}

bool DocumentPage::eventFilter(QObject *watched, QEvent *event)
{
    // Not for a context menu of the field: its Undo works on the typed text.
    if (event->type() == QEvent::FocusOut && ui
        && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
        for (const NumberField &f : shownNumbers()) {
            if (f.field == watched)
                showAsRead(f.field, f.least, f.greatest, hex() && !f.decimal);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DocumentPage::showNumbersAsRead()
{
    for (const NumberField &f : shownNumbers()) {
        f.field->installEventFilter(this);
        QLineEdit *const edit = f.field;
        connect(edit, &QLineEdit::textChanged, this, [edit]() { forgetReadAs(edit); });
    }
}

void DocumentPage::makeChange(QUndoCommand *step)
{
    Q_EMIT changeComing();
    Q_EMIT changeMade(step);
}

bool DocumentPage::hex() const
{
    return settings->hex;
}

void DocumentPage::reportEdits()
{
    const auto report = [this]() { Q_EMIT edited(); };
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        connect(edit, &QLineEdit::textChanged, this, report);
    for (QAbstractButton *button : findChildren<QAbstractButton *>())
        connect(button, &QAbstractButton::toggled, this, report);
    for (QGroupBox *group : findChildren<QGroupBox *>())
        connect(group, &QGroupBox::toggled, this, report);
    for (QComboBox *combo : findChildren<QComboBox *>())
        connect(combo, &QComboBox::currentIndexChanged, this, report);
}

// The ranges judge what the operator typed: a number left as the file gave
// it stays, even where the editor would not take it, and a field that does
// not take part (its group unchecked, its tables all off) never blocks.
const DocumentPage::NumberField *DocumentPage::refusedField(const QList<NumberField> &numbers)
{
    for (const NumberField &f : numbers) {
        if (f.field->isEnabled() && !fieldShows(f.field, f.stored) && !parseNumber(f.field->text(), f.least, f.greatest))
            return &f;
    }
    return nullptr;
}

bool DocumentPage::refuse(const NumberField &f, Refusal refusal)
{
    if (refusal == Refusal::Silent)
        return false;
    const QString name = QCoreApplication::translate("Velunor", f.name);
    if (refusal == Refusal::WarnBeforeUndo)
        warnInvalidField(name, f.field, window(),
                         tr("Correct the field, or press Ctrl+Z in it to take back its typing, then Undo again."));
    else
        warnInvalidField(name, f.field, window(), numberRangeText(f.least, f.greatest, hex() && !f.decimal));
    return false;
}

qint32 DocumentPage::valueOf(const NumberField &f)
{
    return numberOr(f.field->text(), f.least, f.greatest, f.stored);
}

void DocumentPage::showStored(const NumberField &f)
{
    if (!fieldShows(f.field, f.stored))
        f.field->setText(f.decimal ? QString::number(f.stored) : formatNumber(f.stored, 4, hex()));
}
