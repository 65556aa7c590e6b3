#include "dialogs/filterconfigdlg.h"

#include "config/fields.h"
#include "config/model.h"
#include "config/number.h"
#include "dialogs/valueentry.h"
#include "ui_filterconfigdlg.h"

namespace {
constexpr int FieldWidth = 4;
} // namespace

FilterConfigDlg::FilterConfigDlg(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::FilterConfigDlgClass)
{
    ui->setupUi(this);
    fillInputCombo(ui->input);
}

FilterConfigDlg::~FilterConfigDlg()
{
    delete ui;
}

void FilterConfigDlg::on_matchType_currentIndexChanged(int index)
{
    if (index == MatchRange) {
        // a <= PID <= b
        ui->labelA->setText(tr("From"));
        ui->labelB->setText(tr("<= PID <="));
    } else {
        // (PID & a) == b
        ui->labelA->setText(tr("PID and"));
        ui->labelB->setText(tr("="));
    }
}

void FilterConfigDlg::on_actionType_currentIndexChanged(int index)
{
    const bool remap = index == ActionRemap;
    ui->newBaseLabel->setEnabled(remap);
    ui->newBase->setEnabled(remap);
}

void FilterConfigDlg::accept()
{
    if (!parseNumber(ui->matchA->text(), 0, MaxFilterPid)) {
        warnInvalidField(tr("Left match value"), ui->matchA, this);
        return;
    }
    if (!parseNumber(ui->matchB->text(), 0, MaxFilterPid)) {
        warnInvalidField(tr("Right match value"), ui->matchB, this);
        return;
    }
    // The new base takes part only in a remap; otherwise it is not judged,
    // and a text that is no PID leaves the rule's stored base.
    if (ui->newBase->isEnabled() && !parseNumber(ui->newBase->text(), 0, MaxFilterPid)) {
        warnInvalidField(tr("New Base"), ui->newBase, this);
        return;
    }
    QDialog::accept();
}

int FilterConfigDlg::exec(FilterCfg *cfg, bool add, bool hex)
{
    setWindowTitle(add ? tr("Add Filter Rule") : tr("Edit Filter Rule"));
    // Combo positions equal the codes. The change slots relabel and enable
    // as the selections move away from the form's initial index 0.
    ui->matchType->setCurrentIndex(cfg->match);
    ui->input->setCurrentIndex(cfg->input);
    ui->matchA->setText(formatNumber(qint32(cfg->a), FieldWidth, hex));
    ui->matchB->setText(formatNumber(qint32(cfg->b), FieldWidth, hex));
    ui->actionType->setCurrentIndex(cfg->action);
    ui->newBase->setText(formatNumber(cfg->newBase, FieldWidth, hex));

    const int result = QDialog::exec();
    if (result != QDialog::Accepted)
        return result;

    // No selection (a code the lists do not offer) keeps the rule's code.
    if (ui->matchType->currentIndex() >= 0)
        cfg->match = ui->matchType->currentIndex();
    if (ui->input->currentIndex() >= 0)
        cfg->input = ui->input->currentIndex();
    cfg->a = quint32(integerValue(ui->matchA->text()));
    cfg->b = quint32(integerValue(ui->matchB->text()));
    if (ui->actionType->currentIndex() >= 0)
        cfg->action = ui->actionType->currentIndex();
    cfg->newBase = numberOr(ui->newBase->text(), 0, MaxFilterPid, cfg->newBase);
    return result;
}
