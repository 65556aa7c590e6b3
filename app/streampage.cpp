#include "app/streampage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

#include "app/documentstep.h"
#include "app/filterpage.h"
#include "config/fields.h"
#include "config/number.h"
#include "dialogs/valueentry.h"
#include "ui_velunor.h"

void StreamPage::setUp(const PageContext &context, FilterPage *filters)
{
    filterPage = filters;
    attach(context);
    fillLcnProfileCombo(ui->lcnProfile);
    reportEdits();
    showNumbersAsRead();
}

void StreamPage::on_patEnabled_stateChanged(int)
{
    updateEnables();
}

void StreamPage::on_sdtEnabled_stateChanged(int)
{
    updateEnables();
}

void StreamPage::on_nitEnabled_stateChanged(int)
{
    updateEnables();
}

void StreamPage::on_eitEnabled_stateChanged(int)
{
    updateEnables();
}

void StreamPage::on_tdtEnabled_stateChanged(int)
{
    updateEnables();
}

void StreamPage::on_tsCAEnabled_toggled(bool)
{
    updateEnables();
}

void StreamPage::on_featPOT_toggled(bool)
{
    updateEnables();
}

void StreamPage::updateEnables()
{
    const bool pat = ui->patEnabled->isChecked();
    const bool sdt = ui->sdtEnabled->isChecked();
    const bool nit = ui->nitEnabled->isChecked();
    const bool eit = ui->eitEnabled->isChecked();
    const bool tdt = ui->tdtEnabled->isChecked();

    const bool ca = ui->tsCAEnabled->isChecked();
    ui->tsCAID->setEnabled(ca);
    ui->emmPID->setEnabled(ca);

    // transport_stream_id is carried by the PAT, the SDT and the NIT's TS loop;
    // original_network_id by the SDT, the NIT's TS loop and the EIT;
    // network_id and the network_name_descriptor by the NIT alone.
    ui->tsID->setEnabled(pat || sdt || nit);
    ui->origTSID->setEnabled(sdt || nit || eit);
    ui->netID->setEnabled(nit);
    ui->netName->setEnabled(nit);
    ui->lcnProfile->setEnabled(nit);

    // An unchecked group box disables its children itself; enabling one here
    // would show it live inside a dead group. PMTime follows the group only.
    if (ui->featPOT->isChecked()) {
        ui->PATime->setEnabled(pat);
        ui->SDTime->setEnabled(sdt);
        ui->NITime->setEnabled(nit);
        ui->EITime->setEnabled(eit);
        ui->TDTime->setEnabled(tdt);
    }

    ui->TDTBox->setEnabled(tdt);
}

void StreamPage::load()
{
    const TransportStreamCfg &cfg = *doc;
    for (const NumberField &f : numberFields(cfg))
        f.field->setText(formatNumber(f.stored, 4, hex()));
    ui->netName->setText(cfg.netName);
    ui->lcnProfile->setCurrentIndex(ui->lcnProfile->findData(cfg.lcnProfile));
    ui->tsCAEnabled->setChecked(cfg.caEnabled);
    ui->tsCAID->setEnabled(cfg.caEnabled);
    ui->emmPID->setEnabled(cfg.caEnabled);

    ui->patEnabled->setChecked(cfg.patEnabled);
    ui->sdtEnabled->setChecked(cfg.sdtEnabled);
    ui->nitEnabled->setChecked(cfg.nitEnabled);
    ui->eitEnabled->setChecked(cfg.eitEnabled);
    ui->tdtEnabled->setChecked(cfg.tdtEnabled);

    ui->PATime->setValue(cfg.patTime);
    ui->SDTime->setValue(cfg.sdtTime);
    ui->NITime->setValue(cfg.nitTime);
    ui->EITime->setValue(cfg.eitTime);
    ui->TDTime->setValue(cfg.tdtTime);
    ui->PMTime->setValue(cfg.pmtTime);

    ui->featPOT->setChecked(cfg.playoutTimings);
    ui->featRealTDT->setChecked(cfg.realTdt);
    ui->featStaticTDT->setChecked(!cfg.realTdt);
    filterPage->showDefaultAction(cfg.filterDefault);
    updateEnables();
}

QList<DocumentPage::NumberField> StreamPage::numberFields(const TransportStreamCfg &stored) const
{
    const auto range = [](quint16 TransportStreamCfg::*member) { return cfgField(member); };
    const auto field = [&](QLineEdit *edit, quint16 TransportStreamCfg::*member, const char *name) {
        const CfgField<TransportStreamCfg> &f = range(member);
        return NumberField{edit, f.least, f.greatest, name, stored.*member, false};
    };
    return {
        field(ui->tsID, &TransportStreamCfg::id, QT_TRANSLATE_NOOP("Velunor", "Transport Stream ID")),
        field(ui->origTSID, &TransportStreamCfg::origId, QT_TRANSLATE_NOOP("Velunor", "Original Stream ID")),
        field(ui->netID, &TransportStreamCfg::netId, QT_TRANSLATE_NOOP("Velunor", "Network ID")),
        field(ui->tsCAID, &TransportStreamCfg::caId, QT_TRANSLATE_NOOP("Velunor", "CA-System ID")),
        field(ui->emmPID, &TransportStreamCfg::emmPid, QT_TRANSLATE_NOOP("Velunor", "EMM PID")),
    };
}

// The stream's fields as the page shows them; a number field that does not
// take part and holds no number in its range keeps what is stored.
TransportStreamCfg StreamPage::shown(const QList<NumberField> &numbers) const
{
    TransportStreamCfg fields = *doc;
    quint16 *const stored[] = {&fields.id, &fields.origId, &fields.netId, &fields.caId, &fields.emmPid};
    for (int i = 0; i < numbers.size(); ++i)
        *stored[i] = quint16(valueOf(numbers.at(i)));
    fields.netName = ui->netName->text().trimmed();
    if (ui->lcnProfile->currentIndex() >= 0)
        fields.lcnProfile = ui->lcnProfile->currentData().toInt();
    fields.caEnabled = ui->tsCAEnabled->isChecked();
    fields.patEnabled = ui->patEnabled->isChecked();
    fields.sdtEnabled = ui->sdtEnabled->isChecked();
    fields.nitEnabled = ui->nitEnabled->isChecked();
    fields.eitEnabled = ui->eitEnabled->isChecked();
    fields.tdtEnabled = ui->tdtEnabled->isChecked();
    fields.patTime = quint16(ui->PATime->value());
    fields.nitTime = quint16(ui->NITime->value());
    fields.sdtTime = quint16(ui->SDTime->value());
    fields.eitTime = quint16(ui->EITime->value());
    fields.tdtTime = quint16(ui->TDTime->value());
    fields.pmtTime = quint16(ui->PMTime->value());
    fields.playoutTimings = ui->featPOT->isChecked();
    fields.realTdt = ui->featRealTDT->isChecked();
    fields.filterDefault = filterPage->shownDefaultAction(doc->filterDefault);
    return fields;
}

bool StreamPage::hasPendingEdits() const
{
    if (!doc)
        return false;
    const QList<NumberField> numbers = numberFields(*doc);
    for (const NumberField &f : numbers) {
        if (!fieldShows(f.field, f.stored))
            return true;
    }
    return shown(numbers) != *doc;
}

bool StreamPage::commit(Refusal refusal)
{
    if (!hasPendingEdits())
        return true;
    const QList<NumberField> numbers = numberFields(*doc);
    if (const NumberField *f = refusedField(numbers))
        return refuse(*f, refusal);
    const TransportStreamCfg fields = shown(numbers);
    // A field that did not take part may have shown something else: then
    // nothing reaches the document.
    if (fields != *doc)
        Q_EMIT changeMade(new StreamStep(doc, fields));
    for (const NumberField &f : numberFields(*doc))
        showStored(f);
    return true;
}

bool StreamPage::refusesEdits() const
{
    return hasPendingEdits() && refusedField(numberFields(*doc));
}

void StreamPage::showNotation()
{
    for (const NumberField &f : numberFields(*doc)) {
        qint32 value = 0;
        if (convertInteger(QStringView(f.field->text()).trimmed(), &value) && value >= 0)
            f.field->setText(formatNumber(value, 4, hex()));
    }
}
