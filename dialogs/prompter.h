#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Every message box and file dialog of the editor goes through the current
// Prompter. The application uses the real Qt boxes; tests install one that
// answers from a script, so no nested event loop is needed to drive a command.
class Prompter {
public:
    struct Message {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        QString informativeText;
        QString detailedText;
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        // The Open button says what it does ("Import") when this is given.
        QString openText;
    };

    virtual ~Prompter();

    virtual QMessageBox::StandardButton message(QWidget *parent, const Message &message) = 0;
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter) = 0;
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter) = 0;

    // The prompter in force; never null. setPrompter(nullptr) restores the Qt one.
    static Prompter *current();
    static void setCurrent(Prompter *prompter);

    // Shorthands for the two kinds of box the editor shows.
    static void warning(QWidget *parent, const QString &title, const QString &text,
                        const QString &informativeText = QString(),
                        const QString &detailedText = QString());
    static QMessageBox::StandardButton question(QWidget *parent, const QString &title,
                                                const QString &text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton);
};

// The real dialogs.
class WidgetPrompter final : public Prompter {
public:
    QMessageBox::StandardButton message(QWidget *parent, const Message &message) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
};
