#include "app/velunor.h"

#include <QTabWidget>
#include <QUndoStack>

#include "app/documentstep.h"
#include "app/servicespage.h"
#include "app/streampage.h"
#include "app/filterpage.h"
#include "ui_velunor.h"

// Undo and redo. Every change that reaches the document is a DocumentStep
// pushed through documentChanged(); the history is cleared by New and Load
// and marked clean by Save, so isChanged() says whether the document differs
// from the state last loaded or saved, whichever way the operator got there.
//
// Edits typed on the stream page or in the service editor are not in the
// history until they are committed; they are the newest change, so the first
// Undo reverts them, and Redo waits until they are gone.

bool Velunor::isChanged() const
{
    return !history->isClean();
}

void Velunor::documentChanged(QUndoCommand *step)
{
    history->push(step);
    refreshCheckDialog();
}

void Velunor::on_action_Undo_triggered()
{
    if (revertPageEdits() || !history->canUndo())
        return;
    const auto *step = static_cast<const DocumentStep *>(history->command(history->index() - 1));
    history->undo();
    showStep(*step, true);
}

void Velunor::on_action_Redo_triggered()
{
    if (hasPendingEdits() || !history->canRedo())
        return;
    const auto *step = static_cast<const DocumentStep *>(history->command(history->index()));
    history->redo();
    showStep(*step, false);
}

// Shows the stored document again on the stream page and in the service
// editor, valid or not, without a word; false when they showed it already.
bool Velunor::revertPageEdits()
{
    const bool stream = ui->StreamConfig->hasPendingEdits();
    const int service = ui->PSIGenerator->hasPendingEdits() ? ui->PSIGenerator->openRow() : -1;
    if (stream)
        ui->StreamConfig->load();
    if (service >= 0)
        ui->PSIGenerator->showDocument(service);
    updateUndoActions();
    return stream || service >= 0;
}

// After a step was undone or redone: every page shows the document, the page
// of the step is current, and its service is open or its rule selected.
void Velunor::showStep(const DocumentStep &step, bool undone)
{
    const int position = step.position(undone);
    // A service step that leaves none to show (an addition undone) shows
    // its neighbour.
    const int open = ui->PSIGenerator->openRow();
    const int service = step.page() != DocumentStep::ServicesPage ? open
                        : position >= 0                           ? position
                                                                  : qMin(open, int(config.services.size()) - 1);
    showDocument(service);
    if (step.page() == DocumentStep::FilterPage && position >= 0)
        ui->PIDFilter->selectRule(position);
    QWidget *const pages[] = {ui->StreamConfig, ui->PIDFilter, ui->PSIGenerator};
    showPage(pages[step.page()]);
    refreshCheckDialog();
    updateUndoActions();
}

void Velunor::updateUndoActions()
{
    const bool typed = hasPendingEdits();
    ui->action_Undo->setEnabled(typed || history->canUndo());
    if (typed)
        ui->action_Undo->setText(tr("&Undo Uncommitted Edits"));
    else if (history->canUndo())
        ui->action_Undo->setText(tr("&Undo %1").arg(history->undoText()));
    else
        ui->action_Undo->setText(tr("&Undo"));
    ui->action_Redo->setEnabled(!typed && history->canRedo());
    ui->action_Redo->setText(history->canRedo() ? tr("&Redo %1").arg(history->redoText()) : tr("&Redo"));
}
