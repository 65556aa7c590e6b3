#include "app/servicespage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>

#include "app/documentstep.h"
#include "app/entrytexts.h"
#include "app/recordlist.h"
#include "config/fields.h"
#include "config/number.h"
#include "dialogs/valueentry.h"
#include "ui_velunor.h"

// The editor of the open service. It is not bound to the document: a
// service is copied into the editor (and its elementary streams into the
// working copy) when it is opened, and written back after validation when
// the operator leaves it, saves or exports. Leaving a service always goes
// through commit(), so a refused field keeps the editor, and the list's
// current entry, on it.

namespace {

// A service id of 0 is reserved for the NIT in the PAT: the editor takes
// services from 1, though a file may hold 0.
constexpr qint32 LeastServiceId = 1;

ServiceCfg languagesTrimmed(ServiceCfg s)
{
    for (ESCfg &es : s.elements)
        es.language = es.language.trimmed();
    return s;
}

} // namespace

ServicesPage::ServicesPage(QWidget *parent) : DocumentPage(parent) {}

ServicesPage::~ServicesPage() = default;

void ServicesPage::on_caEnabled_toggled(bool)
{
    updateEnables();
}

void ServicesPage::on_lcEnabled_toggled(bool)
{
    updateEnables();
}

void ServicesPage::updateEnables()
{
    const bool ca = ui->caEnabled->isEnabled() && ui->caEnabled->isChecked();
    ui->caID->setEnabled(ca);
    ui->ecmPID->setEnabled(ca);
    const bool lc = ui->lcEnabled->isEnabled() && ui->lcEnabled->isChecked();
    ui->lcVisible->setEnabled(lc);
    ui->lcNumber->setEnabled(lc);
}

// Enables or disables every part of the editor; the labels of the plain
// fields follow their buddies so an empty editor reads as inactive.
void ServicesPage::setEditorEnabled(bool enabled)
{
    QWidget *const labelled[] = {ui->serviceID,   ui->serviceType, ui->providerName,
                                 ui->serviceName, ui->eventName,   ui->eventText,
                                 ui->language,    ui->pmtPID,      ui->pcrPID};
    for (QWidget *field : labelled)
        field->setEnabled(enabled);
    for (QLabel *label : findChildren<QLabel *>()) {
        if (std::find(std::begin(labelled), std::end(labelled), label->buddy()) != std::end(labelled))
            label->setEnabled(enabled);
    }
    QWidget *const others[] = {ui->caEnabled, ui->lcEnabled, ui->caID,       ui->ecmPID,
                               ui->lcVisible, ui->lcNumber,  ui->pmtEnabled, ui->elements,
                               ui->addES,     ui->removeES};
    for (QWidget *w : others)
        w->setEnabled(enabled);
}

void ServicesPage::clear()
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
    serviceOpen = false;
    editedRow = -1;
    editedService = ServiceCfg();
    refreshElements();
    setEditorEnabled(false);
    Q_EMIT edited();
}

QList<DocumentPage::NumberField> ServicesPage::numberFields(const ServiceCfg &s) const
{
    const auto field = [&s](QLineEdit *edit, quint16 ServiceCfg::*member, const char *name, qint32 least = -1) {
        const CfgField<ServiceCfg> &f = cfgField(member);
        return NumberField{edit, least >= 0 ? least : f.least, f.greatest, name, s.*member, false};
    };
    NumberField lcNumber = field(ui->lcNumber, &ServiceCfg::lcNumber,
                                 QT_TRANSLATE_NOOP("Velunor", "Logical Channel Number"));
    // Logical channel numbers are what viewers key in: always decimal.
    lcNumber.decimal = true;
    return {
        field(ui->serviceID, &ServiceCfg::id, QT_TRANSLATE_NOOP("Velunor", "Service ID"), LeastServiceId),
        field(ui->pmtPID, &ServiceCfg::pmtPid, QT_TRANSLATE_NOOP("Velunor", "PMT PID")),
        field(ui->pcrPID, &ServiceCfg::pcrPid, QT_TRANSLATE_NOOP("Velunor", "PCR PID")),
        field(ui->caID, &ServiceCfg::caId, QT_TRANSLATE_NOOP("Velunor", "CA-System ID")),
        field(ui->ecmPID, &ServiceCfg::ecmPid, QT_TRANSLATE_NOOP("Velunor", "ECM PID")),
        lcNumber,
    };
}

void ServicesPage::loadService(int row)
{
    editedService = doc->services.at(row);
    const ServiceCfg &s = editedService;
    for (const NumberField &f : numberFields(s))
        f.field->setText(f.decimal ? QString::number(f.stored) : formatNumber(f.stored, 4, hex()));
    selectCode(ui->serviceType, s.type, hex());
    ui->providerName->setText(s.providerName);
    ui->serviceName->setText(s.serviceName);
    ui->eventName->setText(s.eventName);
    ui->eventText->setText(s.eventText);
    ui->language->setText(s.language);
    ui->caEnabled->setChecked(s.caEnabled);
    ui->pmtEnabled->setChecked(s.pmtEnabled);
    ui->lcEnabled->setChecked(s.lcEnabled);
    ui->lcVisible->setChecked(s.lcVisible);
    setEditorEnabled(true);
    updateEnables();
}

// The open service as the editor shows it, with the working copy's
// elements; a number field that holds no number in its range keeps what is
// stored (kept even while its group is off, so switching CA or the logical
// channel back on finds the numbers the operator left there).
ServiceCfg ServicesPage::shownService() const
{
    ServiceCfg s = editedService;
    const QList<NumberField> numbers = numberFields(doc->services.at(editedRow));
    quint16 *const stored[] = {&s.id, &s.pmtPid, &s.pcrPid, &s.caId, &s.ecmPid, &s.lcNumber};
    for (int i = 0; i < numbers.size(); ++i)
        *stored[i] = quint16(valueOf(numbers.at(i)));
    s.type = ui->serviceType->currentData().toInt();
    s.providerName = ui->providerName->text().trimmed();
    s.serviceName = ui->serviceName->text().trimmed();
    s.eventName = ui->eventName->text().trimmed();
    s.eventText = ui->eventText->text().trimmed();
    s.language = ui->language->text().trimmed();
    s.caEnabled = ui->caEnabled->isChecked();
    s.pmtEnabled = ui->pmtEnabled->isChecked();
    s.lcEnabled = ui->lcEnabled->isChecked();
    s.lcVisible = ui->lcVisible->isChecked();
    return s;
}

bool ServicesPage::hasPendingEdits() const
{
    if (!serviceOpen || editedRow < 0 || editedRow >= doc->services.size())
        return false;
    const ServiceCfg &stored = doc->services.at(editedRow);
    for (const NumberField &f : numberFields(stored)) {
        if (!fieldShows(f.field, f.stored))
            return true;
    }
    if (ui->serviceType->currentIndex() < 0)
        return true;
    ServiceCfg shown = shownService();
    // Elements reach the document at once; only a language's blanks may differ.
    return languagesTrimmed(shown) != languagesTrimmed(stored);
}

bool ServicesPage::commit(Refusal refusal)
{
    if (!hasPendingEdits())
        return true;
    const QList<NumberField> numbers = numberFields(doc->services.at(editedRow));
    if (const NumberField *f = refusedField(numbers))
        return refuse(*f, refusal);
    const ServiceCfg s = shownService();
    if (s != doc->services.at(editedRow))
        Q_EMIT changeMade(ServiceStep::replaced(tr("Edit Service"), doc, editedRow, s));
    editedService = s;
    // A field that did not take part and held no number in its range shows
    // the stored value again: no field may differ from what is stored.
    for (const NumberField &f : numberFields(s))
        showStored(f);
    services->rowChanged(editedRow);
    return true;
}

bool ServicesPage::refusesEdits() const
{
    return hasPendingEdits() && refusedField(numberFields(doc->services.at(editedRow)));
}

QList<DocumentPage::NumberField> ServicesPage::shownNumbers() const
{
    const bool open = serviceOpen && editedRow >= 0 && editedRow < doc->services.size();
    return numberFields(open ? doc->services.at(editedRow) : ServiceCfg());
}

void ServicesPage::openService(int row)
{
    if (row < 0 || row >= doc->services.size() || row == editedRow)
        return;
    Q_EMIT changeComing();
    if (!commit())
        return;
    loadService(row);
    serviceOpen = true;
    editedRow = row;
    refreshElements();
    Q_EMIT edited();
}

void ServicesPage::on_services_currentRowChanged(int row)
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

void ServicesPage::showNotation()
{
    for (const NumberField &f : numberFields(serviceOpen ? doc->services.at(editedRow) : ServiceCfg())) {
        qint32 value = 0;
        if (!f.decimal && convertInteger(QStringView(f.field->text()).trimmed(), &value) && value >= 0)
            f.field->setText(formatNumber(value, 4, hex()));
    }
    if (serviceOpen)
        selectCode(ui->serviceType, ui->serviceType->currentData().toInt(), hex());
    refreshList();
    if (serviceOpen)
        ui->services->setCurrentRow(editedRow); // the rebuilt list had lost it
    refreshElements();
}
