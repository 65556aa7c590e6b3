#include "dialogs/buildiddlg.h"

#include "buildinfo.h"
#include "ui_buildiddlg.h"
#include "velunorversion.h"

BuildIDDlg::BuildIDDlg(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::BuildIDDlgClass)
{
    ui->setupUi(this);
}

BuildIDDlg::~BuildIDDlg()
{
    delete ui;
}

int BuildIDDlg::exec()
{
    ui->id->setText(QStringLiteral(VELUNOR_BUILD_ID));
    ui->tag->setText(QStringLiteral(VELUNOR_VERSION_TEXT));
    ui->branch->setText(QString::fromUtf8(VELUNOR_BUILD_BRANCH));
    ui->mod->setText(VELUNOR_BUILD_MODIFIED ? tr("YES") : tr("NO"));
    // This file is compiled again whenever buildinfo.h changes, so the stamp
    // is that of the build that took in the current revision. __DATE__ pads
    // single-digit days with a blank; one blank between the parts reads better.
    ui->date->setText(QStringLiteral(__DATE__ " " __TIME__).simplified());
    return QDialog::exec();
}
