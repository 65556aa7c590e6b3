#pragma once

#include <QDialog>

#include "config/model.h"

QT_BEGIN_NAMESPACE
namespace Ui {
class AddServiceDlgClass;
}
QT_END_NAMESPACE

// The template from which a new service is made: television or radio, the
// service_id, a name, the PMT PID and the usual components with their PIDs.
// Run with exec(); the main window reads the answers once it was accepted.
class AddServiceDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddServiceDlg)

public:
    AddServiceDlg(bool hex, QWidget *parent);
    ~AddServiceDlg() override;

    int serviceType() const;      // ServiceType code of the selected type
    QString serviceIdText() const;
    QString nameText() const;
    QString pmtPidText() const;
    QString teletextPidText() const;
    bool videoChecked() const;
    bool audioChecked() const;
    bool teletextChecked() const;
    int videoStreamType() const;  // EsType code of the selected video coding
    int audioStreamType() const;  // EsType code of the selected audio coding
    // Values of the PID fields (automatic base, blanks trimmed), 0 when the
    // text is no number: they decide the PCR PID even while disabled.
    quint16 videoPid() const;
    quint16 audioPid() const;
    // The PCR PID of the new service: the first stream it carries (video,
    // else audio; never teletext); without one, the PID field of the
    // service type's own stream when it holds a PID, else its default.
    quint16 pcrPid() const;

private Q_SLOTS:
    void on_type_currentIndexChanged();
    void on_videoEnabled_stateChanged();
    void on_audioEnabled_stateChanged();
    void on_teletextEnabled_stateChanged();
    void on_streamType_currentIndexChanged();
    void on_audioType_currentIndexChanged();

public Q_SLOTS:
    void accept() override;

private:
    void updateEnables();
    void setAudioEnabled(bool enabled);
    bool radio() const;
    void selectType(ServiceType type);

    Ui::AddServiceDlgClass *ui;
};
