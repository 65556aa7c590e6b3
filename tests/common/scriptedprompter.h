#pragma once

#include <QList>
#include <QQueue>
#include <QStringList>

#include "dialogs/prompter.h"

// Answers the editor's message boxes and file dialogs from a script and keeps
// a record of what was asked, so GUI tests drive commands without nested loops.
// Installed on construction, removed on destruction.
class ScriptedPrompter final : public Prompter {
public:
    struct FileRequest {
        bool save = false;
        QString caption;
        QString dir;
        QString filter;
    };

    ScriptedPrompter() { Prompter::setCurrent(this); }
    ~ScriptedPrompter() override { Prompter::setCurrent(nullptr); }

    // Answers for the next boxes, in order; when none is queued the box's
    // default button (or Ok) is taken.
    QQueue<QMessageBox::StandardButton> answers;
    // File names for the next file dialogs; an empty name cancels. When none
    // is queued the dialog is cancelled.
    QQueue<QString> fileNames;

    QList<Message> messages;
    QList<FileRequest> fileRequests;

    QMessageBox::StandardButton message(QWidget *, const Message &m) override
    {
        messages.append(m);
        if (!answers.isEmpty())
            return answers.dequeue();
        return m.defaultButton != QMessageBox::NoButton ? m.defaultButton : QMessageBox::Ok;
    }
    QString openFileName(QWidget *, const QString &caption, const QString &dir,
                         const QString &filter) override
    {
        fileRequests.append({false, caption, dir, filter});
        return fileNames.isEmpty() ? QString() : fileNames.dequeue();
    }
    QString saveFileName(QWidget *, const QString &caption, const QString &dir,
                         const QString &filter) override
    {
        fileRequests.append({true, caption, dir, filter});
        return fileNames.isEmpty() ? QString() : fileNames.dequeue();
    }

    QStringList titles() const
    {
        QStringList t;
        for (const Message &m : messages)
            t << m.title;
        return t;
    }
};
