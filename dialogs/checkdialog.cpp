#include "dialogs/checkdialog.h"

#include <QHeaderView>
#include <QStyle>
#include <QTreeWidgetItem>

#include "config/model.h"
#include "psi/exportcheck.h"
#include "ui_checkdialog.h"

namespace {

enum Column { SeverityColumn, WhereColumn, ProblemColumn };

QString capitalized(QString text)
{
    if (!text.isEmpty())
        text[0] = text.at(0).toUpper();
    return text;
}

} // namespace

CheckDialog::CheckDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::CheckDialogClass)
{
    ui->setupUi(this);
    ui->findings->header()->setSectionResizeMode(SeverityColumn, QHeaderView::ResizeToContents);
    ui->findings->header()->setSectionResizeMode(WhereColumn, QHeaderView::ResizeToContents);
    ui->findings->header()->setStretchLastSection(true);
}

CheckDialog::~CheckDialog()
{
    delete ui;
}

void CheckDialog::setFindings(const QList<ConfigFinding> &findings, const TransportStreamCfg &cfg)
{
    m_findings = findings;
    ui->findings->clear();

    const QIcon errorIcon = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    const QIcon warningIcon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    const QString errorText = tr("Error");
    const QString warningText = tr("Warning");

    int errors = 0;
    QList<QTreeWidgetItem *> items;
    items.reserve(findings.size());
    for (int i = 0; i < findings.size(); ++i) {
        const ConfigFinding &f = findings.at(i);
        const bool error = f.severity == ConfigFinding::Error;
        errors += error ? 1 : 0;

        const QString where = whereText(f, cfg);

        const QString problem = capitalized(f.problem);
        auto *item = new QTreeWidgetItem;
        item->setIcon(SeverityColumn, error ? errorIcon : warningIcon);
        item->setText(SeverityColumn, error ? errorText : warningText);
        item->setText(WhereColumn, where);
        item->setText(ProblemColumn, problem);
        item->setToolTip(ProblemColumn, f.message);
        item->setData(SeverityColumn, Qt::UserRole, i);
        items.append(item);
    }
    ui->findings->addTopLevelItems(items);

    showSummary(int(findings.size()), errors);
    ui->hint->setVisible(!findings.isEmpty());
}

// Where a finding lies, in the operator's words.
QString CheckDialog::whereText(const ConfigFinding &f, const TransportStreamCfg &cfg)
{
    switch (f.subject) {
    case ConfigFinding::Service:
        return f.index >= 0 && f.index < cfg.services.size()
            ? tr("Service %1 \"%2\"").arg(QString::number(f.index + 1), cfg.services.at(f.index).serviceName)
            : tr("Service %1").arg(f.index + 1);
    case ConfigFinding::Filter:
        // The rule's summary ("Filter rule 3 (range 0x0200..0x02ff, port 1)") tells it
        // apart after a move better than its number alone.
        return f.where.isEmpty() ? tr("Filter rule %1").arg(f.index + 1) : capitalized(f.where);
    case ConfigFinding::Stream:
        return tr("Transport stream");
    }
    return QString();
}

void CheckDialog::showSummary(int findings, int errors)
{
    const int warnings = findings - errors;
    const QString errorCount = errors == 1 ? tr("1 error") : tr("%1 errors").arg(errors);
    const QString warningCount = warnings == 1 ? tr("1 warning") : tr("%1 warnings").arg(warnings);
    if (findings == 0)
        ui->summary->setText(tr("No problems found."));
    else if (errors > 0)
        ui->summary->setText(tr("%1 and %2. The configuration cannot be exported until the "
                                "errors are corrected.").arg(errorCount, warningCount));
    else
        ui->summary->setText(tr("%1. The configuration can be exported.").arg(warningCount));
}

int CheckDialog::rowCount() const
{
    return ui->findings->topLevelItemCount();
}

void CheckDialog::on_findings_itemActivated(QTreeWidgetItem *item, int)
{
    const int i = item->data(SeverityColumn, Qt::UserRole).toInt();
    if (i >= 0 && i < m_findings.size())
        Q_EMIT findingActivated(m_findings.at(i));
}
