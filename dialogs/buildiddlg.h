#pragma once

#include <QDialog>

QT_BEGIN_NAMESPACE
namespace Ui {
class BuildIDDlgClass;
}
QT_END_NAMESPACE

// Shows the version and the source revision the program was built from.
// Every value is fixed by the build (buildinfo.h); nothing is looked up at run time.
class BuildIDDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BuildIDDlg)

public:
    explicit BuildIDDlg(QWidget *parent);
    ~BuildIDDlg() override;

public Q_SLOTS:
    // Fills the value labels, then runs the dialog modally.
    int exec() override;

private:
    Ui::BuildIDDlgClass *ui;
};
