#pragma once

#include <QDialog>

struct ESCfg;

QT_BEGIN_NAMESPACE
namespace Ui {
class ESConfigDlgClass;
}
QT_END_NAMESPACE

// Adds or edits one elementary stream of a service: stream type, ISO 639
// language code and PID. The teletext page has no control here.
class ESConfigDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ESConfigDlg)

public:
    explicit ESConfigDlg(QWidget *parent);
    ~ESConfigDlg() override;

public Q_SLOTS:
    void accept() override;
    // Returns the dialog result; `cfg` changes only when accepted.
    int exec(ESCfg *cfg, bool add, bool hex);

private:
    using QDialog::exec;

    Ui::ESConfigDlgClass *ui;
};
