#include "dialogs/settingsdialog.h"

#include "dialogs/settings.h"
#include "ui_settingsdialog.h"

namespace {
// Positions of the notation combo box.
constexpr int DecimalIndex = 0;
constexpr int HexIndex = 1;
} // namespace

SettingsDialog::SettingsDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SettingsDialogClass)
{
    ui->setupUi(this);
}

SettingsDialog::~SettingsDialog()
{
    delete ui;
}

int SettingsDialog::exec(Settings *settings)
{
    ui->notation->setCurrentIndex(settings->hex ? HexIndex : DecimalIndex);

    const int result = QDialog::exec();
    if (result != QDialog::Accepted)
        return result;

    settings->hex = ui->notation->currentIndex() == HexIndex;
    return result;
}
