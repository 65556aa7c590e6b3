#pragma once

#include <QDialog>
#include <QList>

#include "check/configcheck.h"

QT_BEGIN_NAMESPACE
namespace Ui {
class CheckDialogClass;
}
class QTreeWidgetItem;
QT_END_NAMESPACE

struct TransportStreamCfg;

// Lists the findings of a configuration check, one row each. The dialog is
// modeless so the operator can keep it beside the window while fixing the
// services and rules it names; activating a row asks the window to select
// what the finding concerns.
class CheckDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CheckDialog)

public:
    explicit CheckDialog(QWidget *parent);
    ~CheckDialog() override;

    // Shows the findings for cfg (which names the services and rules).
    void setFindings(const QList<ConfigFinding> &findings, const TransportStreamCfg &cfg);

    int rowCount() const;

Q_SIGNALS:
    void findingActivated(const ConfigFinding &finding);

private Q_SLOTS:
    void on_findings_itemActivated(QTreeWidgetItem *item, int column);

private:
    static QString whereText(const ConfigFinding &f, const TransportStreamCfg &cfg);
    void showSummary(int findings, int errors);

    Ui::CheckDialogClass *ui;
    QList<ConfigFinding> m_findings;
};
