#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include "app/documentpage.h"
#include "config/model.h"
#include "dialogs/settings.h"

QT_BEGIN_NAMESPACE
namespace Ui {
class VelunorClass;
}
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QKeyEvent;
class QUndoCommand;
class QUndoStack;
QT_END_NAMESPACE

enum class InputKind;
class CheckDialog;
class DocumentStep;
struct ConfigFinding;

// The editor's one window: it owns the document, its undo history, the
// menus and the document commands, and shows the document on three pages of
// their own (StreamPage, FilterPage, ServicesPage), which hand every change
// to it as a step.
//
// Member definitions are spread over files named after what they hold:
// velunor.cpp (frame), velunor_documents.cpp, velunor_check.cpp and
// velunor_history.cpp (undo and redo).
class Velunor : public QMainWindow {
    Q_OBJECT

public:
    explicit Velunor(QWidget *parent = nullptr);
    // With the settings (and so the settings file) given, as tests do.
    explicit Velunor(const Settings &settings, QWidget *parent = nullptr);
    ~Velunor() override;

    static QString versionText();

    // Read access for tests and tools; the window stays the only writer.
    const TransportStreamCfg &document() const { return config; }
    QString documentFileName() const { return fileName; }
    bool isChanged() const; // not at the state last loaded or saved, by the history
    bool hasUnsavedChanges() const;
    const Settings &currentSettings() const { return settings; }

    // Replaces the whole document by cfg as Load does after a successful parse:
    // every page is refreshed, the first service (if any) is opened and the
    // undo history starts afresh, unchanged. The file name and the title are
    // left to the caller.
    void setDocument(const TransportStreamCfg &cfg);

    // Opens a configuration from outside (the command line, a drop, the
    // recent files): the unsaved-changes prompt first, then Load's reading
    // and its warnings. False when nothing was loaded.
    bool openFile(const QString &name);

    // Commits the stream page, then the open service, as Save does before
    // writing, as one step; false when a field was refused (the operator has
    // been told, and nothing was committed).
    bool commitPages();
    // Whether a page holds typed edits that have not reached the document.
    bool hasPendingEdits() const;

    // The one line of the status bar: what the last Save, Export or Import
    // did (the file, the bytes written).
    void showStatus(const QString &line);

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private Q_SLOTS:
    void on_action_New_triggered();
    void on_action_Load_triggered();
    void on_action_Import_triggered();
    void on_action_Save_triggered();
    void on_action_SaveAs_triggered();
    void on_action_ExportToMUX_triggered();
    void on_action_CheckConfiguration_triggered();
    void on_action_Undo_triggered();
    void on_action_Redo_triggered();
    void on_action_Settings_triggered();
    void on_action_About_triggered();
    void on_action_Version_triggered();

private:
    // Frame (velunor.cpp)
    void updateWindowTitle();
    void createToolBar();
    void setUpPages();
    void setUpScrolling();
    void setUpShortcuts();
    void showPage(QWidget *page);
    void resetDocument();
    void showDocument(int serviceRow);
    void restoreWindowState();
    void saveWindowState();

    // Document commands (velunor_documents.cpp)
    bool maybeSave();
    bool importFrom(const QString &name, InputKind kind);
    QString exportStartName() const;
    bool saveTo(const QString &target);
    bool loadFile(const QString &name);
    void rememberFile(const QString &name);
    void refreshRecentFiles();
    void openRecentFile(const QString &name);

    // Undo and redo (velunor_history.cpp)
    bool commitTypedEdits(DocumentPage::Refusal refusal);
    void showStep(const DocumentStep &step, bool undone);
    void updateUndoActions();

    // Configuration check (velunor_check.cpp)
    void showFinding(const ConfigFinding &finding);
    void closeCheckDialog();
    // Every change of the document goes through here, as a step that makes
    // it: the step is applied and joins the undo history, the document is
    // marked changed, and an open check dialog is brought up to date, so that
    // its rows never point at a service or rule that has moved.
    void documentChanged(QUndoCommand *step);
    void refreshCheckDialog();

    Ui::VelunorClass *ui;
    TransportStreamCfg config;
    QString fileName;
    QString lastExport; // where this document was last exported; empty when never
    Settings settings;
    QUndoStack *history;
    QPointer<CheckDialog> checkDialog;
    // While typed edits are committed: their steps, applied, to become one.
    QList<DocumentStep *> *typedSteps = nullptr;
};
