#include "app/velunor.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSignalBlocker>

#include <array>
#include <memory>

#include "app/documentstep.h"
#include "config/number.h"
#include "dialogs/addservicedlg.h"
#include "dialogs/esconfigdlg.h"
#include "dialogs/prompter.h"
#include "dialogs/valueentry.h"
#include "ui_velunor.h"

// Services page: the list of the document's services and the editor of the
// one that is open.
//
// The editor is not bound to `config`. A service is copied into the editor
// (and its elementary streams into `editedService`) when it is opened, and
// written back after validation when the operator leaves it, saves or
// exports. Leaving a service always goes through commitService(), so a
// refused field keeps the editor, and the list's current entry, on it.
//
// Documents may hold thousands of services. Opening one therefore touches
// only the editor and the small element list; the services list is rebuilt
// only where positions change (removal), while a commit, an append or a move
// rewrites just the entries whose text changed.

namespace {

constexpr int PositionRole = Qt::UserRole;
constexpr int UniformSizeThreshold = 500;

// Texts of the services list, translated once per refresh rather than once
// per entry: a large document rebuilds thousands of entries at a time.
class ServiceEntryTexts {
public:
    explicit ServiceEntryTexts(bool hex)
        : hex(hex),
          head(Velunor::tr("%1 (Service %2)\nPMT:%3")),
          unknown(esTypeShortName(-1))
    {
        for (const EsTypeInfo *info : esTypes()) {
            if (info->type >= shortNames.size())
                shortNames.resize(info->type + 1);
            shortNames[info->type] = esTypeShortName(info->type);
        }
    }

    QString text(const ServiceCfg &service) const
    {
        // One multi-argument substitution: a service name holding "%2" must be
        // shown as typed, not have the id written into it.
        QString t = head.arg(service.serviceName, formatNumber(service.id, 4, hex),
                             formatNumber(service.pmtPid, 4, hex));
        if (service.elements.isEmpty())
            return t;
        t.reserve(t.size() + 2 + service.elements.size() * 12);
        t += QLatin1String(" (");
        bool first = true;
        for (const ESCfg &es : service.elements) {
            if (!first)
                t += QLatin1String(", ");
            first = false;
            t += shortName(es.type);
            t += QLatin1Char(':');
            t += formatNumber(es.pid, 4, hex);
        }
        t += QLatin1Char(')');
        return t;
    }

private:
    const QString &shortName(int type) const
    {
        return type >= 0 && type < shortNames.size() && esTypeInfo(type) ? shortNames.at(type) : unknown;
    }

    bool hex;
    QString head;
    QList<QString> shortNames; // by kind code
    QString unknown;
};

// A services list entry whose text is written when the view first asks for
// it. With uniform item sizes a view asks only for the entries it paints, so
// rebuilding a list of thousands of services costs little more than adding
// bare items. The entry keeps its own (implicitly shared) copy of the
// service, so it shows the document as it was when the list was built.
class ServiceEntry final : public QListWidgetItem {
public:
    ServiceEntry(std::shared_ptr<const ServiceEntryTexts> texts, const ServiceCfg &service,
                 int position)
        : QListWidgetItem(nullptr, QListWidgetItem::UserType),
          texts(std::move(texts)),
          service(service)
    {
        // Before the entry joins a view, so it costs no change notification.
        QListWidgetItem::setData(PositionRole, position);
    }

    QVariant data(int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return QListWidgetItem::data(role);
        if (texts) {
            shown = texts->text(service);
            texts.reset();
            service = ServiceCfg();
        }
        return shown;
    }

    void setData(int role, const QVariant &value) override
    {
        if (role == Qt::DisplayRole || role == Qt::EditRole) {
            texts.reset();
            service = ServiceCfg();
            shown = value.toString();
        }
        QListWidgetItem::setData(role, value);
    }

private:
    mutable std::shared_ptr<const ServiceEntryTexts> texts;
    mutable ServiceCfg service;
    mutable QString shown;
};

QString elementEntryText(const ESCfg &es, bool hex)
{
    if (es.language.isEmpty())
        return Velunor::tr("%1 (PID:%2)").arg(esTypeName(es.type), formatNumber(es.pid, 4, hex));
    return Velunor::tr("%1 (PID:%2, Language:%3)")
        .arg(esTypeName(es.type), formatNumber(es.pid, 4, hex), es.language);
}

QListWidgetItem *newEntry(const QString &text, int position)
{
    auto *item = new QListWidgetItem(text);
    // Set before the item joins a view, so it costs no change notification.
    item->setData(PositionRole, position);
    return item;
}

int entryPosition(const QListWidgetItem *item)
{
    return item ? item->data(PositionRole).toInt() : -1;
}

// The row an action of a context menu was opened on (-1 when none).
int actionRow(QObject *sender)
{
    const auto *action = qobject_cast<QAction *>(sender);
    if (!action)
        return -1;
    bool ok = false;
    const int row = action->data().toInt(&ok);
    return ok ? row : -1;
}

} // namespace

void Velunor::on_caEnabled_toggled(bool)
{
    updateServiceEnables();
}

void Velunor::on_lcEnabled_toggled(bool)
{
    updateServiceEnables();
}

void Velunor::updateServiceEnables()
{
    const bool ca = ui->caEnabled->isEnabled() && ui->caEnabled->isChecked();
    ui->caID->setEnabled(ca);
    ui->ecmPID->setEnabled(ca);
    const bool lc = ui->lcEnabled->isEnabled() && ui->lcEnabled->isChecked();
    ui->lcVisible->setEnabled(lc);
    ui->lcNumber->setEnabled(lc);
}

namespace {

// Enables or disables every part of the service editor; the labels of the
// plain fields follow their buddies so an empty editor reads as inactive.
void setServiceEditorEnabled(Ui::VelunorClass *ui, bool enabled)
{
    QWidget *const labelled[] = {ui->serviceID,  ui->serviceType, ui->providerName,
                                 ui->serviceName, ui->eventName,  ui->eventText,
                                 ui->language,   ui->pmtPID,      ui->pcrPID};
    for (QWidget *field : labelled)
        field->setEnabled(enabled);
    const QList<QLabel *> labels = ui->PSIGenerator->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        for (QWidget *field : labelled) {
            if (label->buddy() == field) {
                label->setEnabled(enabled);
                break;
            }
        }
    }
    QWidget *const others[] = {ui->caEnabled, ui->lcEnabled, ui->caID,     ui->ecmPID,
                               ui->lcVisible, ui->lcNumber,  ui->pmtEnabled, ui->elements,
                               ui->addES,     ui->removeES};
    for (QWidget *w : others)
        w->setEnabled(enabled);
}

} // namespace

void Velunor::clearServiceEditor()
{
    QLineEdit *const texts[] = {ui->serviceID, ui->providerName, ui->serviceName, ui->eventName,
                                ui->eventText, ui->language,     ui->pmtPID,      ui->pcrPID,
                                ui->caID,      ui->ecmPID,       ui->lcNumber};
    for (QLineEdit *edit : texts)
        edit->clear();
    ui->serviceType->setCurrentIndex(-1);
    ui->caEnabled->setChecked(false);
    ui->lcEnabled->setChecked(false);
    ui->lcVisible->setChecked(false);
    ui->pmtEnabled->setChecked(false);
    ui->elements->clear();
    setServiceEditorEnabled(ui, false);
    serviceOpen = false;
    editedRow = -1;
    updateUndoActions();
}

void Velunor::loadService(int row)
{
    if (row < 0 || row >= config.services.size())
        return;
    editedService = config.services.at(row);
    const ServiceCfg &s = editedService;
    const bool hex = settings.hex;

    ui->serviceID->setText(formatNumber(s.id, 4, hex));
    selectCode(ui->serviceType, s.type, hex);
    ui->providerName->setText(s.providerName);
    ui->serviceName->setText(s.serviceName);
    ui->eventName->setText(s.eventName);
    ui->eventText->setText(s.eventText);
    ui->language->setText(s.language);
    ui->pmtPID->setText(formatNumber(s.pmtPid, 4, hex));
    ui->pcrPID->setText(formatNumber(s.pcrPid, 4, hex));
    ui->caEnabled->setChecked(s.caEnabled);
    ui->caID->setText(formatNumber(s.caId, 4, hex));
    ui->ecmPID->setText(formatNumber(s.ecmPid, 4, hex));
    ui->pmtEnabled->setChecked(s.pmtEnabled);
    ui->lcEnabled->setChecked(s.lcEnabled);
    ui->lcVisible->setChecked(s.lcVisible);
    // Logical channel numbers are what viewers key in: always decimal.
    ui->lcNumber->setText(QString::number(s.lcNumber));

    setServiceEditorEnabled(ui, true);
    updateServiceEnables();
}

bool Velunor::serviceEditorChanged() const
{
    if (!serviceOpen || editedRow < 0 || editedRow >= config.services.size())
        return false;
    const ServiceCfg &s = config.services.at(editedRow);

    if (!fieldShows(ui->serviceID, s.id))
        return true;
    if (ui->serviceType->currentIndex() < 0 || ui->serviceType->currentData().toInt() != s.type)
        return true;
    if (ui->providerName->text().trimmed() != s.providerName
        || ui->serviceName->text().trimmed() != s.serviceName
        || ui->eventName->text().trimmed() != s.eventName
        || ui->eventText->text().trimmed() != s.eventText
        || ui->language->text().trimmed() != s.language)
        return true;
    if (!fieldShows(ui->pmtPID, s.pmtPid) || !fieldShows(ui->pcrPID, s.pcrPid))
        return true;
    if (ui->caEnabled->isChecked() != s.caEnabled)
        return true;
    if (!fieldShows(ui->caID, s.caId) || !fieldShows(ui->ecmPID, s.ecmPid))
        return true;
    if (ui->lcEnabled->isChecked() != s.lcEnabled || ui->lcVisible->isChecked() != s.lcVisible
        || !fieldShows(ui->lcNumber, s.lcNumber))
        return true;
    if (ui->pmtEnabled->isChecked() != s.pmtEnabled)
        return true;

    const QList<ESCfg> &edited = editedService.elements;
    if (edited.size() != s.elements.size())
        return true;
    for (qsizetype i = 0; i < edited.size(); ++i) {
        const ESCfg &a = edited.at(i);
        const ESCfg &b = s.elements.at(i);
        if (a.type != b.type || a.pid != b.pid || a.language.trimmed() != b.language.trimmed())
            return true;
    }
    return false;
}

namespace {

// The number fields of the service editor, with what they hold in the
// document.
struct NumberField {
    QLineEdit *field;
    qint32 least;
    qint32 greatest;
    const char *name;
    qint32 stored;
    bool decimal; // shown in decimal whatever the notation
};

std::array<NumberField, 6> numberFields(const Ui::VelunorClass *ui, const ServiceCfg &s)
{
    return {{
        {ui->serviceID, 1, 65535, QT_TRANSLATE_NOOP("Velunor", "Service ID"), s.id, false},
        {ui->pmtPID, 0, 8190, QT_TRANSLATE_NOOP("Velunor", "PMT PID"), s.pmtPid, false},
        {ui->pcrPID, 0, 8190, QT_TRANSLATE_NOOP("Velunor", "PCR PID"), s.pcrPid, false},
        {ui->caID, 0, 65535, QT_TRANSLATE_NOOP("Velunor", "CA-System ID"), s.caId, false},
        {ui->ecmPID, 0, 8190, QT_TRANSLATE_NOOP("Velunor", "ECM PID"), s.ecmPid, false},
        // Logical channel numbers are what viewers key in: always decimal.
        {ui->lcNumber, 0, 999, QT_TRANSLATE_NOOP("Velunor", "Logical Channel Number"), s.lcNumber, true},
    }};
}

} // namespace

// The first field that takes part and holds no number in its range gets the
// invalid-field warning; false then. The ranges judge what the operator
// typed: a number left as the file gave it stays, even where the editor
// would not take it, and a field that does not take part (the CA or logical
// channel group unchecked) never blocks.
bool Velunor::serviceFieldsValid()
{
    for (const NumberField &f : numberFields(ui, config.services.at(editedRow))) {
        if (f.field->isEnabled() && !fieldShows(f.field, f.stored)
            && !parseNumber(f.field->text(), f.least, f.greatest)) {
            warnInvalidField(tr(f.name), f.field, this,
                             numberRangeText(f.least, f.greatest, settings.hex && !f.decimal));
            return false;
        }
    }
    return true;
}

void Velunor::readServiceEditor(ServiceCfg &s) const
{
    auto number = [](const NumberField &f) { return numberOr(f.field->text(), f.least, f.greatest, f.stored); };
    const auto numbers = numberFields(ui, config.services.at(editedRow));
    s.id = static_cast<quint16>(number(numbers[0]));
    s.type = ui->serviceType->currentData().toInt();
    s.providerName = ui->providerName->text().trimmed();
    s.serviceName = ui->serviceName->text().trimmed();
    s.eventName = ui->eventName->text().trimmed();
    s.eventText = ui->eventText->text().trimmed();
    s.language = ui->language->text().trimmed();
    s.pmtPid = static_cast<quint16>(number(numbers[1]));
    s.pcrPid = static_cast<quint16>(number(numbers[2]));
    s.caEnabled = ui->caEnabled->isChecked();
    // Kept even while the group is off, so switching CA or the logical
    // channel back on finds the numbers the operator left there.
    s.caId = static_cast<quint16>(number(numbers[3]));
    s.ecmPid = static_cast<quint16>(number(numbers[4]));
    s.pmtEnabled = ui->pmtEnabled->isChecked();
    s.lcEnabled = ui->lcEnabled->isChecked();
    s.lcVisible = ui->lcVisible->isChecked();
    s.lcNumber = static_cast<quint16>(number(numbers[5]));
}

bool Velunor::commitService()
{
    if (!serviceOpen || !serviceEditorChanged())
        return true;
    if (!serviceFieldsValid())
        return false;

    ServiceCfg s = editedService;
    readServiceEditor(s);
    if (s != config.services.at(editedRow))
        documentChanged(ServiceStep::replaced(tr("Edit Service"), &config, editedRow, s));
    editedService = s;

    // A field that did not take part and held no number in its range shows
    // the stored value again: no field may differ from what is stored.
    for (const NumberField &f : numberFields(ui, s)) {
        if (!fieldShows(f.field, f.stored))
            f.field->setText(f.decimal ? QString::number(f.stored) : formatNumber(f.stored, 4, settings.hex));
    }

    refreshServiceEntry(editedRow);
    return true;
}

// Only this service's entry can have changed: its text is rewritten instead
// of rebuilding a list that may hold thousands of entries.
void Velunor::refreshServiceEntry(int row)
{
    QListWidgetItem *entry = ui->services->item(row);
    if (entry && entryPosition(entry) == row)
        entry->setText(ServiceEntryTexts(settings.hex).text(config.services.at(row)));
    else
        refreshServiceList();
}

void Velunor::refreshServiceList()
{
    QListWidget *list = ui->services;
    const bool updates = list->updatesEnabled();
    list->setUpdatesEnabled(false);
    list->clear();
    const auto texts = std::make_shared<const ServiceEntryTexts>(settings.hex);
    const int count = int(config.services.size());
    // A list view lays out every entry again whenever one entry's text
    // changes, measuring each with the delegate; with thousands of services
    // that made every commit stall. Entries are all two lines high, so a
    // large list takes one measured size for all (the widest entries may then
    // be elided); a small one keeps exact widths.
    list->setUniformItemSizes(count > UniformSizeThreshold);
    for (int i = 0; i < count; ++i)
        list->addItem(new ServiceEntry(texts, config.services.at(i), i));
    list->setUpdatesEnabled(updates);
    ui->serviceUp->setEnabled(count > 0);
    ui->serviceDown->setEnabled(count > 0);
}

void Velunor::refreshElementList()
{
    QListWidget *list = ui->elements;
    list->clear();
    // The working copy outlives a removed or replaced service; show it only
    // while its service is open.
    if (!serviceOpen)
        return;
    const QList<ESCfg> &elements = editedService.elements;
    for (int i = 0; i < int(elements.size()); ++i)
        list->addItem(newEntry(elementEntryText(elements.at(i), settings.hex), i));
}

void Velunor::openService(int row)
{
    if (row < 0 || row >= config.services.size() || row == editedRow)
        return;
    if (!commitService())
        return;
    loadService(row);
    serviceOpen = true;
    editedRow = row;
    refreshElementList();
    updateUndoActions();
}

void Velunor::on_services_currentRowChanged(int row)
{
    if (row < 0 || row >= ui->services->count() || row == editedRow)
        return;
    openService(row);
    if (editedRow == row)
        return;
    // The open service holds a refused field: the list goes back to it, and
    // the warning has already put the focus on that field.
    const auto backToOpenService = [this]() {
        if (!serviceOpen)
            return;
        const QSignalBlocker blocker(ui->services);
        ui->services->setCurrentRow(editedRow);
        ui->services->clearSelection();
    };
    backToOpenService();
    // A mouse press selects the clicked entry only after announcing the new
    // current row; undo that too once the press has been handled.
    QMetaObject::invokeMethod(ui->services, backToOpenService, Qt::QueuedConnection);
}

void Velunor::editService()
{
    openService(actionRow(sender()));
}

void Velunor::on_services_customContextMenuRequested(const QPoint &pos)
{
    QListWidgetItem *item = ui->services->itemAt(pos);
    QMenu menu(this);
    if (item) {
        const int row = ui->services->row(item);
        QAction *edit = menu.addAction(tr("&Edit"));
        edit->setData(row);
        connect(edit, &QAction::triggered, this, &Velunor::editService);
        QAction *duplicate = menu.addAction(tr("&Duplicate"));
        duplicate->setData(row);
        connect(duplicate, &QAction::triggered, this, &Velunor::duplicateService);
        menu.addSeparator();
    }
    connect(menu.addAction(tr("&Add service...")), &QAction::triggered, this,
            &Velunor::on_addService_clicked);
    if (item)
        connect(menu.addAction(tr("&Remove service")), &QAction::triggered, this,
                &Velunor::on_removeService_clicked);
    menu.exec(ui->services->viewport()->mapToGlobal(pos));
}

namespace {

// Appends the entry of the last service and makes the up/down arrows usable.
void appendServiceEntry(Ui::VelunorClass *ui, const TransportStreamCfg &config, bool hex)
{
    const int position = int(config.services.size()) - 1;
    ui->services->addItem(newEntry(ServiceEntryTexts(hex).text(config.services.last()), position));
    ui->serviceUp->setEnabled(true);
    ui->serviceDown->setEnabled(true);
}

} // namespace

void Velunor::on_addService_clicked()
{
    if (config.services.size() >= MaxServicesAdded) {
        Prompter::warning(this, tr("Max services reached"), tr("You can not add more services!"));
        return;
    }

    AddServiceDlg dlg(settings.hex, this);
    if (dlg.exec() != QDialog::Accepted)
        return;

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
    if (s.type == ServiceDigitalTv) {
        if (dlg.videoChecked())
            append(dlg.videoStreamType(), dlg.videoPid());
        if (dlg.audioChecked())
            append(dlg.audioStreamType(), dlg.audioPid());
        if (dlg.teletextChecked())
            append(EsTeletext, static_cast<quint16>(integerValue(dlg.teletextPidText())));
    } else if (s.type == ServiceDigitalRadio) {
        if (dlg.audioChecked())
            append(dlg.audioStreamType(), dlg.audioPid());
    }
    s.pcrPid = dlg.pcrPid();

    documentChanged(ServiceStep::inserted(tr("Add Service"), &config, int(config.services.size()), s));
    appendServiceEntry(ui, config, settings.hex);
    ui->services->setCurrentRow(ui->services->count() - 1);
}

void Velunor::duplicateService()
{
    const QListWidgetItem *item = ui->services->item(actionRow(sender()));
    if (!item)
        return;
    const int position = entryPosition(item);
    if (position < 0 || position >= config.services.size())
        return;

    // A copy of what the editor shows: the open service is committed first,
    // and an invalid field stops the copy with its warning.
    if (serviceOpen && position == editedRow && !commitService())
        return;
    ServiceCfg copy = config.services.at(position);
    copy.serviceName.prepend(tr("(Copy of) "));
    documentChanged(ServiceStep::inserted(tr("Duplicate Service"), &config, int(config.services.size()), copy));
    appendServiceEntry(ui, config, settings.hex);
    ui->services->setCurrentRow(ui->services->count() - 1);
}

void Velunor::on_removeService_clicked()
{
    const QListWidgetItem *item = ui->services->currentItem();
    if (!item)
        return;
    const int position = entryPosition(item);
    if (position < 0 || position >= config.services.size())
        return;

    const QString text = tr("You are about to remove service \"%1\".\nDo you want to continue?")
                             .arg(config.services.at(position).serviceName);
    if (Prompter::question(this, tr("Remove Service"), text, QMessageBox::Yes | QMessageBox::No,
                           QMessageBox::No)
        != QMessageBox::Yes)
        return;

    if (serviceOpen && position == editedRow)
        clearServiceEditor();
    else if (serviceOpen && position < editedRow)
        --editedRow; // the open service moves up with everything behind the removed one
    documentChanged(ServiceStep::removed(tr("Remove Service"), &config, position));
    refreshServiceList();
}

void Velunor::on_serviceUp_clicked()
{
    moveService(-1);
}

void Velunor::on_serviceDown_clicked()
{
    moveService(1);
}

void Velunor::moveService(int delta)
{
    const int count = int(config.services.size());
    const QListWidgetItem *item = ui->services->currentItem();
    if (count < 2 || !item)
        return;
    const int from = entryPosition(item);
    const int to = from + delta;
    if (from < 0 || from >= count || to < 0 || to >= count)
        return;
    if (!commitService())
        return;

    // The editor is released first so that making the new row current opens
    // the moved service whatever was open before.
    serviceOpen = false;
    editedRow = -1;
    documentChanged(ServiceStep::moved(tr("Move Service"), &config, from, to));

    // Only the two swapped entries change text; positions stay as they were.
    const ServiceEntryTexts texts(settings.hex);
    QListWidgetItem *a = ui->services->item(from);
    QListWidgetItem *b = ui->services->item(to);
    if (a && b && entryPosition(a) == from && entryPosition(b) == to) {
        a->setText(texts.text(config.services.at(from)));
        b->setText(texts.text(config.services.at(to)));
    } else {
        refreshServiceList();
    }
    ui->services->setCurrentRow(to);
}

void Velunor::on_elements_itemDoubleClicked(QListWidgetItem *item)
{
    editESAt(entryPosition(item));
}

void Velunor::on_elements_customContextMenuRequested(const QPoint &pos)
{
    QListWidgetItem *item = ui->elements->itemAt(pos);
    QMenu menu(this);
    if (item) {
        QAction *edit = menu.addAction(tr("&Edit..."));
        edit->setData(ui->elements->row(item));
        connect(edit, &QAction::triggered, this, &Velunor::editES);
        menu.addSeparator();
    }
    connect(menu.addAction(tr("&Add Elementary PID...")), &QAction::triggered, this,
            &Velunor::on_addES_clicked);
    if (item)
        connect(menu.addAction(tr("&Remove Elementary PID")), &QAction::triggered, this,
                &Velunor::on_removeES_clicked);
    menu.exec(ui->elements->viewport()->mapToGlobal(pos));
}

void Velunor::on_addES_clicked()
{
    if (!serviceOpen)
        return;
    ESConfigDlg dlg(this);
    ESCfg es;
    if (dlg.exec(&es, true, settings.hex) != QDialog::Accepted)
        return;
    QList<ESCfg> elements = editedService.elements;
    elements.append(es);
    storeElements(tr("Add Elementary PID"), elements);
}

// Elementary PIDs reach the document at once, each change a step of its own;
// the working copy follows, and the editor's other fields stay as typed.
void Velunor::storeElements(const QString &step, const QList<ESCfg> &elements)
{
    ServiceCfg stored = config.services.at(editedRow);
    stored.elements = elements;
    editedService.elements = elements;
    documentChanged(ServiceStep::replaced(step, &config, editedRow, stored));
    refreshServiceEntry(editedRow);
    const int row = ui->elements->currentRow();
    refreshElementList();
    ui->elements->setCurrentRow(qMin(row, ui->elements->count() - 1));
}

void Velunor::editES()
{
    editESAt(entryPosition(ui->elements->item(actionRow(sender()))));
}

void Velunor::editESAt(int position)
{
    if (!serviceOpen || position < 0 || position >= editedService.elements.size())
        return;
    ESConfigDlg dlg(this);
    ESCfg es = editedService.elements.at(position);
    if (dlg.exec(&es, false, settings.hex) != QDialog::Accepted || es == editedService.elements.at(position))
        return;
    QList<ESCfg> elements = editedService.elements;
    elements[position] = es;
    storeElements(tr("Edit Elementary PID"), elements);
}

void Velunor::on_removeES_clicked()
{
    const QListWidgetItem *item = ui->elements->currentItem();
    if (!serviceOpen || !item)
        return;
    const int position = entryPosition(item);
    if (position < 0 || position >= editedService.elements.size())
        return;

    const QString text = tr("You are about to remove elementary PID %1.\nDo you want to continue?")
                             .arg(formatNumber(editedService.elements.at(position).pid, 4,
                                               settings.hex));
    if (Prompter::question(this, tr("Remove Elementary PID"), text,
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return;
    QList<ESCfg> elements = editedService.elements;
    elements.removeAt(position);
    storeElements(tr("Remove Elementary PID"), elements);
}
