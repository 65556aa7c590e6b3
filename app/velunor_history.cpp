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
// history until they are committed. Any other change, and Undo, takes them in
// first as one step, so steps keep the order they were made in and Redo can
// bring typing back; Redo waits while edits are typed, since taking them in
// would drop the steps it redoes.

bool Velunor::isChanged() const
{
    return !history->isClean();
}

void Velunor::documentChanged(QUndoCommand *step)
{
    if (typedSteps) {
        step->redo();
        typedSteps->append(static_cast<DocumentStep *>(step));
        return;
    }
    history->push(step);
    refreshCheckDialog();
}

void Velunor::on_action_Undo_triggered()
{
    if (hasPendingEdits()) {
        // The newest step, not the index: at the 200-step limit a push
        // drops the oldest and leaves the index where it was.
        const QUndoCommand *newest = history->index() > 0 ? history->command(history->index() - 1) : nullptr;
        if (!commitTypedEdits(DocumentPage::Refusal::WarnBeforeUndo))
            return;
        // Edits that stored nothing (a field out of play) are gone already.
        if (history->index() == 0 || history->command(history->index() - 1) == newest)
            return;
    }
    if (!history->canUndo())
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

// Commits the typed edits of the stream page, then of the open service, as
// one step. Silent: each page whose fields pass is committed, a refused field
// keeps its typing without a word, and the result says whether no edits are
// left. Otherwise both pages are checked first, and a refused field gets its
// warning with nothing committed.
bool Velunor::commitTypedEdits(DocumentPage::Refusal refusal)
{
    DocumentPage *const pages[] = {ui->StreamConfig, ui->PSIGenerator};
    if (refusal != DocumentPage::Refusal::Silent) {
        for (DocumentPage *page : pages) {
            if (page->refusesEdits())
                return page->commit(refusal);
        }
    }
    QList<DocumentStep *> steps;
    typedSteps = &steps;
    bool committed = true;
    for (DocumentPage *page : pages)
        committed = page->commit(DocumentPage::Refusal::Silent) && committed;
    typedSteps = nullptr;
    if (!steps.isEmpty())
        documentChanged(new TypedEditsStep(&config, steps));
    updateUndoActions();
    return committed;
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
