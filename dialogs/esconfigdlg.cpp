#include "dialogs/esconfigdlg.h"

#include "config/fields.h"
#include "config/model.h"
#include "config/number.h"
#include "dialogs/valueentry.h"
#include "ui_esconfigdlg.h"

ESConfigDlg::ESConfigDlg(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ESConfigDlgClass)
{
    ui->setupUi(this);
    fillESTypeCombo(ui->type);
}

ESConfigDlg::~ESConfigDlg()
{
    delete ui;
}

void ESConfigDlg::accept()
{
    // Elementary PIDs stop at 0x1FFE: 0x1FFF is the null packet PID.
    if (!parseNumber(ui->pid->text(), 0, MaxPid)) {
        warnInvalidField(tr("PID"), ui->pid, this);
        return;
    }
    QDialog::accept();
}

int ESConfigDlg::exec(ESCfg *cfg, bool add, bool hex)
{
    if (add) {
        // A new stream starts blank; the record handed in is only written.
        setWindowTitle(tr("Add Elementary PID"));
    } else {
        setWindowTitle(tr("Edit Elementary PID"));
        // Positions and stream type codes differ (H.264 is listed second):
        // go by the item data. A code the list does not offer is kept.
        selectCode(ui->type, cfg->type, hex);
        ui->language->setText(cfg->language);
        ui->pid->setText(formatNumber(cfg->pid, 4, hex));
    }

    const int result = QDialog::exec();
    if (result != QDialog::Accepted)
        return result;

    cfg->type = ui->type->currentData().toInt();
    cfg->language = ui->language->text().trimmed();
    cfg->pid = quint16(integerValue(ui->pid->text()));
    return result;
}
