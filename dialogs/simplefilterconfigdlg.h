#pragma once

#include <QDialog>

struct FilterCfg;

QT_BEGIN_NAMESPACE
namespace Ui {
class SimpleFilterConfigDlgClass;
}
QT_END_NAMESPACE

// The quick form of a filter rule: move one PID of one input to another PID
// (a single-PID range rule with the action remap).
class SimpleFilterConfigDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SimpleFilterConfigDlg)

public:
    explicit SimpleFilterConfigDlg(QWidget *parent);
    ~SimpleFilterConfigDlg() override;

public Q_SLOTS:
    void accept() override;
    // Returns the dialog result; `cfg` changes only when accepted. The PIDs
    // are always shown in decimal.
    int exec(FilterCfg *cfg, bool add);

private:
    using QDialog::exec;

    Ui::SimpleFilterConfigDlgClass *ui;
};
