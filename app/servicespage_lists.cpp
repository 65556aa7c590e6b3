#include "app/servicespage.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QToolButton>

#include "app/documentstep.h"
#include "app/entrytexts.h"
#include "app/recordlist.h"
#include "config/number.h"
#include "dialogs/addservicedlg.h"
#include "dialogs/esconfigdlg.h"
#include "dialogs/prompter.h"
#include "dialogs/settings.h"
#include "dialogs/valueentry.h"
#include "ui_velunor.h"

// The services list and the element list of the open service. Documents may
// hold thousands of services: the list's model words an entry only when the
// view paints it, and a commit tells it about the one row that changed.

namespace {

// Entries are all two lines high: a large list takes one measured size for
// all (the widest entries may then be elided), a small one keeps exact widths.
constexpr int UniformSizeThreshold = 500;

// The row an action of a context menu was opened on (-1 when none).
int actionRow(QObject *sender)
{
    const auto *action = qobject_cast<QAction *>(sender);
    bool ok = false;
    const int row = action ? action->data().toInt(&ok) : -1;
    return ok ? row : -1;
}

// The service the add-service dialog describes, its elements in the order
// video, audio, teletext.
ServiceCfg serviceOf(const AddServiceDlg &dlg)
{
    ServiceCfg s;
    s.id = static_cast<quint16>(integerValue(dlg.serviceIdText()));
    s.type = dlg.serviceType();
    s.serviceName = dlg.nameText().trimmed();
    s.pmtPid = static_cast<quint16>(integerValue(dlg.pmtPidText()));
    const auto append = [&s](int type, quint16 pid) {
        ESCfg es;
        es.type = type;
        es.pid = pid;
        s.elements.append(es);
    };
    const ServiceTypeInfo *type = serviceTypeInfo(s.type);
    if (type && !type->radio) {
        if (dlg.videoChecked())
            append(dlg.videoStreamType(), dlg.videoPid());
        if (dlg.audioChecked())
            append(dlg.audioStreamType(), dlg.audioPid());
        if (dlg.teletextChecked())
            append(EsTeletext, static_cast<quint16>(integerValue(dlg.teletextPidText())));
    } else if (type) {
        if (dlg.audioChecked())
            append(dlg.audioStreamType(), dlg.audioPid());
    }
    s.pcrPid = dlg.pcrPid();
    return s;
}

} // namespace

void ServicesPage::setUp(const PageContext &context)
{
    attach(context);
    texts = std::make_unique<ServiceEntryTexts>(hex());
    services = new RecordListModel([this]() { return int(doc->services.size()); },
                                   [this](int row) { return texts->text(doc->services.at(row)); }, this);
    // The working copy outlives a removed or replaced service; it is shown
    // only while its service is open.
    elements = new RecordListModel([this]() { return serviceOpen ? int(editedService.elements.size()) : 0; },
                                   [this](int row) { return elementEntryText(editedService.elements.at(row), hex()); },
                                   this);
    ui->services->setModel(services);
    ui->elements->setModel(elements);
    ui->services->installEventFilter(this);
    ui->elements->installEventFilter(this);
    fillServiceTypeCombo(ui->serviceType);
    reportEdits();
    showNumbersAsRead();
    clear();
}

void ServicesPage::refreshList()
{
    texts = std::make_unique<ServiceEntryTexts>(hex());
    const int count = int(doc->services.size());
    ui->services->setUniformItemSizes(count > UniformSizeThreshold);
    services->reset();
    ui->serviceUp->setEnabled(count > 0);
    ui->serviceDown->setEnabled(count > 0);
}

void ServicesPage::refreshElements()
{
    elements->reset();
}

void ServicesPage::showDocument(int row)
{
    // Closing the editor first makes the list's current row -1, which the
    // row-changed slot ignores, so no service gets committed.
    clear();
    refreshList();
    if (row >= 0 && row < doc->services.size())
        ui->services->setCurrentRow(row);
}

bool ServicesPage::showService(int row)
{
    if (row < 0 || row >= ui->services->count())
        return false;
    ui->services->setCurrentRow(row);
    if (editedRow != row)
        return false;
    ui->services->scrollTo(services->index(row));
    return true;
}

void ServicesPage::reselectOpenService()
{
    ui->services->setCurrentRow(openRow());
}

void ServicesPage::editService()
{
    openService(actionRow(sender()));
}

void ServicesPage::on_services_customContextMenuRequested(const QPoint &pos)
{
    const int row = ui->services->rowAt(pos);
    QMenu menu(this);
    if (row >= 0) {
        QAction *edit = menu.addAction(tr("&Edit"));
        edit->setData(row);
        connect(edit, &QAction::triggered, this, &ServicesPage::editService);
        QAction *duplicate = menu.addAction(tr("&Duplicate"));
        duplicate->setData(row);
        connect(duplicate, &QAction::triggered, this, &ServicesPage::duplicateService);
        menu.addSeparator();
    }
    connect(menu.addAction(tr("&Add service...")), &QAction::triggered, this, &ServicesPage::on_addService_clicked);
    if (row >= 0)
        connect(menu.addAction(tr("&Remove service")), &QAction::triggered, this,
                &ServicesPage::on_removeService_clicked);
    menu.exec(ui->services->viewport()->mapToGlobal(pos));
}

void ServicesPage::appendService(const QString &step, const ServiceCfg &service)
{
    makeChange(ServiceStep::inserted(step, doc, int(doc->services.size()), service));
    refreshList();
    ui->services->setCurrentRow(ui->services->count() - 1);
}

void ServicesPage::on_addService_clicked()
{
    if (doc->services.size() >= MaxServicesAdded) {
        Prompter::warning(window(), tr("Max services reached"), tr("You can not add more services!"));
        return;
    }
    AddServiceDlg dlg(hex(), window());
    if (dlg.exec() != QDialog::Accepted)
        return;
    appendService(tr("Add Service"), serviceOf(dlg));
}

void ServicesPage::duplicateService()
{
    const int position = actionRow(sender());
    if (position < 0 || position >= doc->services.size())
        return;
    // A copy of what the editor shows: the open service is committed first,
    // and an invalid field stops the copy with its warning.
    Q_EMIT changeComing();
    if (serviceOpen && position == editedRow && !commit())
        return;
    ServiceCfg copy = doc->services.at(position);
    copy.serviceName.prepend(tr("(Copy of) "));
    appendService(tr("Duplicate Service"), copy);
}

void ServicesPage::on_removeService_clicked()
{
    const int position = ui->services->currentRow();
    if (position < 0 || position >= doc->services.size())
        return;
    const QString text = tr("You are about to remove service \"%1\".\nDo you want to continue?")
                             .arg(doc->services.at(position).serviceName);
    if (Prompter::question(window(), tr("Remove Service"), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return;
    Q_EMIT changeComing();
    if (serviceOpen && position == editedRow)
        clear();
    else if (serviceOpen && position < editedRow)
        --editedRow; // the open service moves up with everything behind the removed one
    Q_EMIT changeMade(ServiceStep::removed(tr("Remove Service"), doc, position));
    refreshList();
}

void ServicesPage::on_serviceUp_clicked()
{
    moveService(-1);
}

void ServicesPage::on_serviceDown_clicked()
{
    moveService(1);
}

void ServicesPage::moveService(int delta)
{
    const int count = int(doc->services.size());
    const int from = ui->services->currentRow();
    const int to = from + delta;
    if (count < 2 || from < 0 || from >= count || to < 0 || to >= count)
        return;
    Q_EMIT changeComing();
    if (!commit())
        return;
    // The editor is released first so that making the new row current opens
    // the moved service whatever was open before.
    serviceOpen = false;
    editedRow = -1;
    Q_EMIT changeMade(ServiceStep::moved(tr("Move Service"), doc, from, to));
    services->rowChanged(from);
    services->rowChanged(to);
    ui->services->setCurrentRow(to);
}

void ServicesPage::on_elements_itemDoubleClicked(int row)
{
    editESAt(row);
}

void ServicesPage::on_elements_customContextMenuRequested(const QPoint &pos)
{
    const int row = ui->elements->rowAt(pos);
    QMenu menu(this);
    if (row >= 0) {
        QAction *edit = menu.addAction(tr("&Edit..."));
        edit->setData(row);
        connect(edit, &QAction::triggered, this, &ServicesPage::editES);
        menu.addSeparator();
    }
    connect(menu.addAction(tr("&Add Elementary PID...")), &QAction::triggered, this, &ServicesPage::on_addES_clicked);
    if (row >= 0)
        connect(menu.addAction(tr("&Remove Elementary PID")), &QAction::triggered, this,
                &ServicesPage::on_removeES_clicked);
    menu.exec(ui->elements->viewport()->mapToGlobal(pos));
}

void ServicesPage::on_addES_clicked()
{
    if (!serviceOpen)
        return;
    ESConfigDlg dlg(window());
    ESCfg es;
    if (dlg.exec(&es, true, hex()) != QDialog::Accepted)
        return;
    QList<ESCfg> list = editedService.elements;
    list.append(es);
    storeElements(tr("Add Elementary PID"), list);
}

// Elementary PIDs reach the document at once, each change a step of its own;
// the working copy follows, and the editor's other fields stay as typed.
void ServicesPage::storeElements(const QString &step, const QList<ESCfg> &list)
{
    // The typed fields first, as a step of their own: the element step
    // keeps the fields as stored.
    Q_EMIT changeComing();
    ServiceCfg stored = doc->services.at(editedRow);
    stored.elements = list;
    editedService.elements = list;
    Q_EMIT changeMade(ServiceStep::replaced(step, doc, editedRow, stored));
    services->rowChanged(editedRow);
    const int row = ui->elements->currentRow();
    refreshElements();
    ui->elements->setCurrentRow(qMin(row, ui->elements->count() - 1));
}

void ServicesPage::editES()
{
    editESAt(actionRow(sender()));
}

void ServicesPage::editESAt(int position)
{
    if (!serviceOpen || position < 0 || position >= editedService.elements.size())
        return;
    ESConfigDlg dlg(window());
    ESCfg es = editedService.elements.at(position);
    if (dlg.exec(&es, false, hex()) != QDialog::Accepted || es == editedService.elements.at(position))
        return;
    QList<ESCfg> list = editedService.elements;
    list[position] = es;
    storeElements(tr("Edit Elementary PID"), list);
}

void ServicesPage::on_removeES_clicked()
{
    const int position = ui->elements->currentRow();
    if (!serviceOpen || position < 0 || position >= editedService.elements.size())
        return;
    const QString text = tr("You are about to remove elementary PID %1.\nDo you want to continue?")
                             .arg(formatNumber(editedService.elements.at(position).pid, 4, hex()));
    if (Prompter::question(window(), tr("Remove Elementary PID"), text, QMessageBox::Yes | QMessageBox::No,
                           QMessageBox::No)
        != QMessageBox::Yes)
        return;
    QList<ESCfg> list = editedService.elements;
    list.removeAt(position);
    storeElements(tr("Remove Elementary PID"), list);
}

// Enter or F2 on a service opens it and puts the focus on its first field.
void ServicesPage::openFromKeyboard(int row)
{
    openService(row);
    if (row >= 0 && editedRow == row)
        ui->serviceID->setFocus(Qt::TabFocusReason); // selects its text
}

bool ServicesPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && ui) {
        const auto *key = static_cast<const QKeyEvent *>(event);
        if (watched == ui->services
            && ui->services->commandKey(
                key, [this](int row) { openFromKeyboard(row); }, [this]() { on_removeService_clicked(); },
                [this](int delta) { moveService(delta); }))
            return true;
        // Elementary PIDs keep the order the PMT lists them in: they do not move.
        if (watched == ui->elements
            && ui->elements->commandKey(
                key, [this](int row) { editESAt(row); }, [this]() { on_removeES_clicked(); }))
            return true;
    }
    return DocumentPage::eventFilter(watched, event);
}
