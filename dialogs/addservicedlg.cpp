#include "dialogs/addservicedlg.h"

#include "config/fields.h"
#include "config/model.h"
#include "config/number.h"
#include "dialogs/valueentry.h"
#include "ui_addservicedlg.h"

namespace {
// A new service starts as a television service with the PMT on 0x400 and its
// components on the PIDs right after it.
constexpr int InitialServiceId = 256;
constexpr int InitialPmtPid = 1024;
constexpr int InitialVideoPid = 1025;
constexpr int InitialAudioPid = 1026;
constexpr int InitialTeletextPid = 1027;
constexpr int FieldWidth = 4;
} // namespace

AddServiceDlg::AddServiceDlg(bool hex, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AddServiceDlgClass)
{
    ui->setupUi(this);
    fillServiceTypeCombo(ui->type);
    fillVideoTypeCombo(ui->streamType);
    fillAudioTypeCombo(ui->audioType);

    ui->serviceID->setText(formatNumber(InitialServiceId, FieldWidth, hex));
    ui->name->setText(tr("My TV Channel"));
    ui->pmtPID->setText(formatNumber(InitialPmtPid, FieldWidth, hex));
    ui->videoPID->setText(formatNumber(InitialVideoPid, FieldWidth, hex));
    ui->audioPID->setText(formatNumber(InitialAudioPid, FieldWidth, hex));
    ui->teletextPID->setText(formatNumber(InitialTeletextPid, FieldWidth, hex));

    updateEnables();
}

AddServiceDlg::~AddServiceDlg()
{
    delete ui;
}

int AddServiceDlg::serviceType() const
{
    return ui->type->currentData().toInt();
}

QString AddServiceDlg::serviceIdText() const
{
    return ui->serviceID->text();
}

QString AddServiceDlg::nameText() const
{
    return ui->name->text();
}

QString AddServiceDlg::pmtPidText() const
{
    return ui->pmtPID->text();
}

QString AddServiceDlg::teletextPidText() const
{
    return ui->teletextPID->text();
}

bool AddServiceDlg::videoChecked() const
{
    return ui->videoEnabled->isChecked();
}

bool AddServiceDlg::audioChecked() const
{
    return ui->audioEnabled->isChecked();
}

bool AddServiceDlg::teletextChecked() const
{
    return ui->teletextEnabled->isChecked();
}

int AddServiceDlg::videoStreamType() const
{
    return ui->streamType->currentData().toInt();
}

int AddServiceDlg::audioStreamType() const
{
    return ui->audioType->currentData().toInt();
}

quint16 AddServiceDlg::videoPid() const
{
    return quint16(integerValue(ui->videoPID->text()));
}

quint16 AddServiceDlg::audioPid() const
{
    return quint16(integerValue(ui->audioPID->text()));
}

bool AddServiceDlg::radio() const
{
    const ServiceTypeInfo *info = serviceTypeInfo(serviceType());
    return info && info->radio;
}

quint16 AddServiceDlg::pcrPid() const
{
    const bool tv = !radio();
    if (tv && videoChecked())
        return videoPid();
    if (audioChecked())
        return audioPid();
    const QString own = tv ? ui->videoPID->text() : ui->audioPID->text();
    if (parseNumber(own, 0, MaxPid))
        return quint16(integerValue(own));
    return quint16(tv ? InitialVideoPid : InitialAudioPid);
}

void AddServiceDlg::accept()
{
    // service_id 0 is reserved for the NIT in the PAT; PIDs stop at 0x1FFE
    // because 0x1FFF is the null packet PID. Unchecked components are not
    // looked at, whatever their text.
    if (!parseNumber(ui->serviceID->text(), 1, MaxId)) {
        warnInvalidField(tr("Service ID"), ui->serviceID, this);
        return;
    }
    if (!parseNumber(ui->pmtPID->text(), 0, MaxPid)) {
        warnInvalidField(tr("PMT PID"), ui->pmtPID, this);
        return;
    }
    if (ui->videoEnabled->isChecked() && !parseNumber(ui->videoPID->text(), 0, MaxPid)) {
        warnInvalidField(tr("Video PID"), ui->videoPID, this);
        return;
    }
    if (ui->audioEnabled->isChecked() && !parseNumber(ui->audioPID->text(), 0, MaxPid)) {
        warnInvalidField(tr("Audio PID"), ui->audioPID, this);
        return;
    }
    if (ui->teletextEnabled->isChecked() && !parseNumber(ui->teletextPID->text(), 0, MaxPid)) {
        warnInvalidField(tr("Teletext PID"), ui->teletextPID, this);
        return;
    }
    QDialog::accept();
}

void AddServiceDlg::on_type_currentIndexChanged()
{
    updateEnables();
}

void AddServiceDlg::on_videoEnabled_stateChanged()
{
    updateEnables();
}

void AddServiceDlg::on_audioEnabled_stateChanged()
{
    updateEnables();
}

void AddServiceDlg::on_teletextEnabled_stateChanged()
{
    updateEnables();
}

// The coding decides the type (a type picked by hand stays until the coding
// changes again): the video coding for television, the audio coding for radio.
void AddServiceDlg::on_streamType_currentIndexChanged()
{
    if (ui->type->currentIndex() < 0 || radio())
        return;
    switch (videoStreamType()) {
    case EsH264Video: selectType(ServiceAvcHdTv); break;
    case EsHevcVideo: selectType(ServiceHevcTv); break;
    default: selectType(ServiceDigitalTv); break;
    }
}

void AddServiceDlg::on_audioType_currentIndexChanged()
{
    if (ui->type->currentIndex() < 0 || !radio())
        return;
    selectType(audioStreamType() == EsAacAudio ? ServiceAvcRadio : ServiceDigitalRadio);
}

void AddServiceDlg::selectType(ServiceType type)
{
    const int index = ui->type->findData(int(type));
    if (index >= 0)
        ui->type->setCurrentIndex(index);
}

void AddServiceDlg::updateEnables()
{
    if (ui->type->currentIndex() < 0)
        return;

    if (!radio()) {
        ui->videoEnabled->setEnabled(true);
        ui->audioEnabled->setEnabled(true);
        ui->teletextEnabled->setEnabled(true);
        const bool video = ui->videoEnabled->isChecked();
        ui->videoPID->setEnabled(video);
        ui->streamTypeLabel->setEnabled(video);
        ui->streamType->setEnabled(video);
        setAudioEnabled(ui->audioEnabled->isChecked());
        ui->teletextPID->setEnabled(ui->teletextEnabled->isChecked());
    } else {
        // A radio service carries audio only. Unchecking re-enters this
        // function through stateChanged and ends in the same state.
        ui->videoEnabled->setEnabled(false);
        ui->videoEnabled->setChecked(false);
        ui->audioEnabled->setEnabled(true);
        ui->teletextEnabled->setEnabled(false);
        ui->teletextEnabled->setChecked(false);
        ui->videoPID->setEnabled(false);
        ui->streamTypeLabel->setEnabled(false);
        ui->streamType->setEnabled(false);
        ui->teletextPID->setEnabled(false);
        setAudioEnabled(ui->audioEnabled->isChecked());
    }
}

void AddServiceDlg::setAudioEnabled(bool enabled)
{
    ui->audioPID->setEnabled(enabled);
    ui->audioTypeLabel->setEnabled(enabled);
    ui->audioType->setEnabled(enabled);
}
