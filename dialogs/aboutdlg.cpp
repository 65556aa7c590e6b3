#include "dialogs/aboutdlg.h"

#include <QPushButton>

#include "ui_aboutdlg.h"
#include "velunorversion.h"

namespace {
constexpr int AboutWidth = 438;
constexpr int AboutHeight = 339;
} // namespace

AboutDlg::AboutDlg(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AboutDlg)
{
    ui->setupUi(this);
    // The text in the form carries %1 for the version, so the number is
    // written in one place only.
    ui->aboutText->setText(ui->aboutText->text().arg(QStringLiteral(VELUNOR_VERSION_TEXT)));
    setFixedSize(AboutWidth, AboutHeight);
    connect(ui->closeBtn, &QPushButton::clicked, this, &QDialog::accept);
}

AboutDlg::~AboutDlg()
{
    delete ui;
}
