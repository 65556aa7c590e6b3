#include "dialogs/prompter.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QRegularExpression>

namespace {
WidgetPrompter widgetPrompter;
Prompter *currentPrompter = &widgetPrompter;
} // namespace

Prompter::~Prompter() = default;

Prompter *Prompter::current()
{
    return currentPrompter;
}

void Prompter::setCurrent(Prompter *prompter)
{
    currentPrompter = prompter ? prompter : &widgetPrompter;
}

void Prompter::warning(QWidget *parent, const QString &title, const QString &text,
                       const QString &informativeText, const QString &detailedText)
{
    Message m;
    m.icon = QMessageBox::Warning;
    m.title = title;
    m.text = text;
    m.informativeText = informativeText;
    m.detailedText = detailedText;
    m.buttons = QMessageBox::Ok;
    m.defaultButton = QMessageBox::Ok;
    current()->message(parent, m);
}

QMessageBox::StandardButton Prompter::question(QWidget *parent, const QString &title,
                                               const QString &text,
                                               QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton)
{
    Message m;
    m.icon = QMessageBox::Question;
    m.title = title;
    m.text = text;
    m.buttons = buttons;
    m.defaultButton = defaultButton;
    return current()->message(parent, m);
}

QMessageBox::StandardButton WidgetPrompter::message(QWidget *parent, const Message &message)
{
    QMessageBox box(message.icon, message.title, message.text, message.buttons, parent);
    if (message.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(message.defaultButton);
    if (!message.informativeText.isEmpty())
        box.setInformativeText(message.informativeText);
    if (!message.detailedText.isEmpty())
        box.setDetailedText(message.detailedText);
    if (QAbstractButton *open = box.button(QMessageBox::Open); open && !message.openText.isEmpty())
        open->setText(message.openText);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString WidgetPrompter::openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                     const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString WidgetPrompter::saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                     const QString &filter)
{
    QFileDialog dialog(parent, caption, dir, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without a suffix gets the filter's ("*.mux") before the
    // dialog asks whether to replace an existing file.
    const QRegularExpressionMatch suffix = QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(filter);
    if (suffix.hasMatch())
        dialog.setDefaultSuffix(suffix.captured(1));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}
