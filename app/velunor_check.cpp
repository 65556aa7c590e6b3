#include "app/velunor.h"

#include "app/filterpage.h"
#include "app/servicespage.h"
#include <QScreen>
#include <QTabWidget>

#include "dialogs/checkdialog.h"
#include "check/configcheck.h"
#include "ui_velunor.h"

// Configuration check. The findings are those of velunor-cli check: the
// export's refusals as errors, PID and identifier collisions as warnings.
// The dialog is modeless and reused; while it is open, every change of the
// document runs the check again (well under a millisecond for a typical
// file), and it closes when the document is replaced.

namespace {

// Beside the window, or below it, when the screen has room: the dialog stays
// above its window, and should not hide the service or rule a double click
// selects there.
void placeBeside(QWidget *dialog, const QWidget *window)
{
    const QRect screen = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    const QSize size = dialog->sizeHint().expandedTo(dialog->size());
    if (frame.right() + size.width() < screen.right())
        dialog->move(frame.right() + 1, frame.top());
    else if (frame.bottom() + size.height() < screen.bottom())
        dialog->move(frame.left(), frame.bottom() + 1);
}

} // namespace

void Velunor::on_action_CheckConfiguration_triggered()
{
    // The same commits as Export: what is checked is what would be exported.
    if (!commitPages())
        return;

    if (!checkDialog) {
        checkDialog = new CheckDialog(this);
        connect(checkDialog, &CheckDialog::findingActivated, this, &Velunor::showFinding);
        placeBeside(checkDialog, this);
    }
    checkDialog->show(); // painted with the new findings: no event runs in between
    refreshCheckDialog();
    checkDialog->raise();
    checkDialog->activateWindow();
}

void Velunor::showFinding(const ConfigFinding &finding)
{
    switch (finding.subject) {
    case ConfigFinding::Service:
        if (finding.index < 0 || finding.index >= config.services.size())
            return;
        showPage(ui->PSIGenerator);
        ui->PSIGenerator->showService(finding.index);
        break;
    case ConfigFinding::Filter:
        if (finding.index < 0 || finding.index >= config.filters.size())
            return;
        showPage(ui->PIDFilter);
        ui->PIDFilter->selectRule(finding.index);
        break;
    case ConfigFinding::Stream:
        showPage(ui->StreamConfig);
        break;
    }
    activateWindow();
}

void Velunor::refreshCheckDialog()
{
    if (checkDialog && checkDialog->isVisible())
        checkDialog->setFindings(checkConfiguration(config, nullptr, Wording::editor(settings.hex)), config);
}

void Velunor::closeCheckDialog()
{
    if (checkDialog)
        checkDialog->close();
}
