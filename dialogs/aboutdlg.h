#pragma once

#include <QDialog>

QT_BEGIN_NAMESPACE
namespace Ui {
class AboutDlg;
}
QT_END_NAMESPACE

// The logo and a few words about the editor; a fixed-size box run with exec().
class AboutDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutDlg)

public:
    explicit AboutDlg(QWidget *parent);
    ~AboutDlg() override;

private:
    Ui::AboutDlg *ui;
};
