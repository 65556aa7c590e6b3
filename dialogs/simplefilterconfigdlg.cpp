#include "dialogs/simplefilterconfigdlg.h"

#include "config/fields.h"
#include "config/model.h"
#include "config/number.h"
#include "dialogs/valueentry.h"
#include "ui_simplefilterconfigdlg.h"

SimpleFilterConfigDlg::SimpleFilterConfigDlg(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SimpleFilterConfigDlgClass)
{
    ui->setupUi(this);
    fillInputCombo(ui->input);
}

SimpleFilterConfigDlg::~SimpleFilterConfigDlg()
{
    delete ui;
}

void SimpleFilterConfigDlg::accept()
{
    // Filter rules may name the null packet PID 0x1FFF too.
    if (!parseNumber(ui->oldPID->text(), 0, MaxFilterPid)) {
        warnInvalidField(tr("Old PID"), ui->oldPID, this);
        return;
    }
    if (!parseNumber(ui->newPID->text(), 0, MaxFilterPid)) {
        warnInvalidField(tr("New PID"), ui->newPID, this);
        return;
    }
    QDialog::accept();
}

int SimpleFilterConfigDlg::exec(FilterCfg *cfg, bool add)
{
    setWindowTitle(add ? tr("Add Simple Remap") : tr("Edit Simple Remap"));
    ui->input->setCurrentIndex(cfg->input);
    // The quick form always shows plain decimal; input still takes 0x.
    ui->oldPID->setText(QString::number(cfg->a));
    ui->newPID->setText(QString::number(cfg->newBase));

    const int result = QDialog::exec();
    if (result != QDialog::Accepted)
        return result;

    const qint32 oldPid = integerValue(ui->oldPID->text());
    cfg->match = MatchRange;
    // Positions equal input codes; no selection keeps the rule's port.
    if (ui->input->currentIndex() >= 0)
        cfg->input = ui->input->currentIndex();
    cfg->a = quint32(oldPid);
    cfg->b = quint32(oldPid);
    cfg->action = ActionRemap;
    cfg->newBase = integerValue(ui->newPID->text());
    return result;
}
