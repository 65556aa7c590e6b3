#pragma once

#include <QDialog>

struct FilterCfg;

QT_BEGIN_NAMESPACE
namespace Ui {
class FilterConfigDlgClass;
}
QT_END_NAMESPACE

// The full PID filter rule: range or mask match on one or any input port,
// and drop, pass or remap to a new base PID.
class FilterConfigDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FilterConfigDlg)

public:
    explicit FilterConfigDlg(QWidget *parent);
    ~FilterConfigDlg() override;

public Q_SLOTS:
    void on_matchType_currentIndexChanged(int index);
    void on_actionType_currentIndexChanged(int index);
    void accept() override;
    // Returns the dialog result; `cfg` changes only when accepted.
    int exec(FilterCfg *cfg, bool add, bool hex);

private:
    using QDialog::exec;

    Ui::FilterConfigDlgClass *ui;
};
