#include "app/velunor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

#include "app/documentstep.h"
#include "config/number.h"
#include "dialogs/valueentry.h"
#include "ui_velunor.h"

// Stream configuration page. The widgets are not bound to `config`: they are
// filled by loadStreamPage, compared by streamPageChanged and written back,
// after validation, by commitStreamPage (Save, Export, the unsaved-changes
// prompts). The default filter action lives on the PID filter page but is a
// field of the transport stream, so it travels with this page.

namespace {

// filter-default is a FilterAction; the combo offers drop (index 0) and pass
// (index 1) only, since a remap needs a base that the default rule cannot carry.
constexpr int DefaultDropIndex = 0;
constexpr int DefaultPassIndex = 1;

} // namespace

void Velunor::on_patEnabled_stateChanged(int)
{
    updateStreamEnables();
}

void Velunor::on_sdtEnabled_stateChanged(int)
{
    updateStreamEnables();
}

void Velunor::on_nitEnabled_stateChanged(int)
{
    updateStreamEnables();
}

void Velunor::on_eitEnabled_stateChanged(int)
{
    updateStreamEnables();
}

void Velunor::on_tdtEnabled_stateChanged(int)
{
    updateStreamEnables();
}

void Velunor::on_tsCAEnabled_toggled(bool)
{
    updateStreamEnables();
}

void Velunor::on_featPOT_toggled(bool)
{
    updateStreamEnables();
}

void Velunor::updateStreamEnables()
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

void Velunor::loadStreamPage()
{
    const bool hex = settings.hex;

    ui->tsID->setText(formatNumber(config.id, 4, hex));
    ui->origTSID->setText(formatNumber(config.origId, 4, hex));
    ui->netID->setText(formatNumber(config.netId, 4, hex));
    ui->netName->setText(config.netName);

    ui->tsCAEnabled->setChecked(config.caEnabled);
    ui->tsCAID->setEnabled(config.caEnabled);
    ui->emmPID->setEnabled(config.caEnabled);
    ui->tsCAID->setText(formatNumber(config.caId, 4, hex));
    ui->emmPID->setText(formatNumber(config.emmPid, 4, hex));

    ui->patEnabled->setChecked(config.patEnabled);
    ui->sdtEnabled->setChecked(config.sdtEnabled);
    ui->nitEnabled->setChecked(config.nitEnabled);
    ui->eitEnabled->setChecked(config.eitEnabled);
    ui->tdtEnabled->setChecked(config.tdtEnabled);

    ui->PATime->setValue(config.patTime);
    ui->SDTime->setValue(config.sdtTime);
    ui->NITime->setValue(config.nitTime);
    ui->EITime->setValue(config.eitTime);
    ui->TDTime->setValue(config.tdtTime);
    ui->PMTime->setValue(config.pmtTime);

    ui->featPOT->setChecked(config.playoutTimings);
    ui->featRealTDT->setChecked(config.realTdt);
    ui->featStaticTDT->setChecked(!config.realTdt);

    // Any action other than drop shows as pass; the model follows so that the
    // page does not look edited. This is a normalisation, not an edit.
    if (config.filterDefault == ActionDrop) {
        ui->filterDefault->setCurrentIndex(DefaultDropIndex);
    } else {
        config.filterDefault = ActionPass;
        ui->filterDefault->setCurrentIndex(DefaultPassIndex);
    }

    updateStreamEnables();
}

bool Velunor::streamPageChanged() const
{
    if (!fieldShows(ui->tsID, config.id) || !fieldShows(ui->origTSID, config.origId)
        || !fieldShows(ui->netID, config.netId))
        return true;
    if (ui->netName->text().trimmed() != config.netName)
        return true;
    if (ui->tsCAEnabled->isChecked() != config.caEnabled)
        return true;
    if (!fieldShows(ui->tsCAID, config.caId) || !fieldShows(ui->emmPID, config.emmPid))
        return true;
    if (ui->patEnabled->isChecked() != config.patEnabled
        || ui->sdtEnabled->isChecked() != config.sdtEnabled
        || ui->nitEnabled->isChecked() != config.nitEnabled
        || ui->eitEnabled->isChecked() != config.eitEnabled
        || ui->tdtEnabled->isChecked() != config.tdtEnabled)
        return true;
    if (ui->PATime->value() != config.patTime || ui->NITime->value() != config.nitTime
        || ui->SDTime->value() != config.sdtTime || ui->EITime->value() != config.eitTime
        || ui->TDTime->value() != config.tdtTime || ui->PMTime->value() != config.pmtTime)
        return true;
    if (ui->featPOT->isChecked() != config.playoutTimings)
        return true;
    if (ui->featRealTDT->isChecked() != config.realTdt)
        return true;

    switch (ui->filterDefault->currentIndex()) {
    case DefaultDropIndex: return config.filterDefault != ActionDrop;
    case DefaultPassIndex: return config.filterDefault != ActionPass;
    default: return true;
    }
}

bool Velunor::commitStreamPage()
{
    if (!streamPageChanged())
        return true;

    struct Number {
        QLineEdit *field;
        qint32 greatest;
        const char *name;
        quint16 *stored;
    };
    // The page is written into a copy that becomes the step.
    TransportStreamCfg fields = config;
    // PIDs of tables and streams stop at 8190: 0x1FFF is the null packet PID.
    const Number numbers[] = {
        {ui->tsID, 65535, QT_TR_NOOP("Transport Stream ID"), &fields.id},
        {ui->origTSID, 65535, QT_TR_NOOP("Original Stream ID"), &fields.origId},
        {ui->netID, 65535, QT_TR_NOOP("Network ID"), &fields.netId},
        {ui->tsCAID, 65535, QT_TR_NOOP("CA-System ID"), &fields.caId},
        {ui->emmPID, 8190, QT_TR_NOOP("EMM PID"), &fields.emmPid},
    };
    // Only fields that take part are judged: an identifier of tables that
    // are all off, or the CA group unchecked, never blocks. What the operator
    // left there is kept when it is a number in range.
    for (const Number &n : numbers) {
        if (n.field->isEnabled() && !fieldShows(n.field, *n.stored) && !parseNumber(n.field->text(), 0, n.greatest)) {
            warnInvalidField(tr(n.name), n.field, this, numberRangeText(0, n.greatest, settings.hex));
            return false;
        }
    }
    for (const Number &n : numbers) {
        *n.stored = static_cast<quint16>(numberOr(n.field->text(), 0, n.greatest, *n.stored));
        if (!fieldShows(n.field, *n.stored))
            n.field->setText(formatNumber(*n.stored, 4, settings.hex));
    }
    fields.netName = ui->netName->text().trimmed();
    fields.caEnabled = ui->tsCAEnabled->isChecked();
    fields.patEnabled = ui->patEnabled->isChecked();
    fields.sdtEnabled = ui->sdtEnabled->isChecked();
    fields.nitEnabled = ui->nitEnabled->isChecked();
    fields.eitEnabled = ui->eitEnabled->isChecked();
    fields.tdtEnabled = ui->tdtEnabled->isChecked();
    fields.patTime = static_cast<quint16>(ui->PATime->value());
    fields.nitTime = static_cast<quint16>(ui->NITime->value());
    fields.sdtTime = static_cast<quint16>(ui->SDTime->value());
    fields.eitTime = static_cast<quint16>(ui->EITime->value());
    fields.tdtTime = static_cast<quint16>(ui->TDTime->value());
    fields.pmtTime = static_cast<quint16>(ui->PMTime->value());
    fields.playoutTimings = ui->featPOT->isChecked();
    fields.realTdt = ui->featRealTDT->isChecked();
    switch (ui->filterDefault->currentIndex()) {
    case DefaultDropIndex: fields.filterDefault = ActionDrop; break;
    case DefaultPassIndex: fields.filterDefault = ActionPass; break;
    default: break;
    }

    // A field that did not take part may have shown something else: then
    // nothing reaches the document.
    if (fields != config)
        documentChanged(new StreamStep(&config, fields));
    return true;
}

bool Velunor::commitPages()
{
    return commitStreamPage() && commitService();
}
