#pragma once

#include <QDialog>

class Settings;

QT_BEGIN_NAMESPACE
namespace Ui {
class SettingsDialogClass;
}
QT_END_NAMESPACE

// Chooses the notation in which numbers are shown. The caller saves the
// settings and redisplays after an accepted run.
class SettingsDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsDialog)

public:
    explicit SettingsDialog(QWidget *parent);
    ~SettingsDialog() override;

public Q_SLOTS:
    // Returns the dialog result; `settings` changes only when accepted.
    int exec(Settings *settings);

private:
    using QDialog::exec;

    Ui::SettingsDialogClass *ui;
};
