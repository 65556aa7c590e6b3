#include "app/velunor.h"

#include <QAction>
#include <QListWidget>
#include <QListWidgetItem>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>

#include "app/documentstep.h"
#include "config/filtertext.h"
#include "dialogs/filterconfigdlg.h"
#include "dialogs/prompter.h"
#include "dialogs/simplefilterconfigdlg.h"
#include "dialogs/valueentry.h"
#include "ui_velunor.h"

// PID filter page. Unlike the stream page, every rule operation writes
// `config` at once; the order of the rules is significant to the MUX (the
// first matching rule wins), so moving a rule is an edit like any other.
// Every list entry carries its position in config.filters as item data.

namespace {

int entryPosition(const QListWidgetItem *item)
{
    return item ? item->data(Qt::UserRole).toInt() : -1;
}

} // namespace

void Velunor::refreshFilterList()
{
    QListWidget *list = ui->filters;
    const bool updates = list->updatesEnabled();
    list->setUpdatesEnabled(false);
    list->clear();
    const FilterRuleTexts texts(settings.hex);
    for (int i = 0; i < int(config.filters.size()); ++i) {
        auto *item = new QListWidgetItem(texts.text(config.filters.at(i)));
        // Set before the entry joins the view, so it costs no change notification.
        item->setData(Qt::UserRole, i);
        list->addItem(item);
    }
    list->setUpdatesEnabled(updates);
    const bool any = !config.filters.isEmpty();
    ui->filterUp->setEnabled(any);
    ui->filterDown->setEnabled(any);
    list->setCurrentRow(-1);
}

void Velunor::on_filters_itemDoubleClicked(QListWidgetItem *item)
{
    if (item)
        editFilterAt(entryPosition(item));
}

void Velunor::on_addRemap_clicked()
{
    FilterCfg filter;
    SimpleFilterConfigDlg dialog(this);
    if (dialog.exec(&filter, true) != QDialog::Accepted)
        return;
    documentChanged(FilterStep::inserted(tr("Add Filter Rule"), &config, int(config.filters.size()), filter));
    refreshFilterList();
}

void Velunor::on_addFilter_clicked()
{
    FilterCfg filter;
    FilterConfigDlg dialog(this);
    if (dialog.exec(&filter, true, settings.hex) != QDialog::Accepted)
        return;
    documentChanged(FilterStep::inserted(tr("Add Filter Rule"), &config, int(config.filters.size()), filter));
    refreshFilterList();
}

void Velunor::editFilter()
{
    const auto *action = qobject_cast<const QAction *>(sender());
    if (!action)
        return;
    const QListWidgetItem *item = ui->filters->item(action->data().toInt());
    if (item)
        editFilterAt(entryPosition(item));
}

void Velunor::editFilterAt(int position)
{
    if (position < 0 || position >= config.filters.size())
        return;
    // Whatever dialog made the rule, the advanced one edits it: a simple
    // remap is just a one-PID range rule with action remap.
    FilterCfg filter = config.filters.at(position);
    FilterConfigDlg dialog(this);
    if (dialog.exec(&filter, false, settings.hex) != QDialog::Accepted || filter == config.filters.at(position))
        return;
    const int row = ui->filters->currentRow();
    documentChanged(FilterStep::replaced(tr("Edit Filter Rule"), &config, position, filter));
    refreshFilterList();
    ui->filters->setCurrentRow(row);
}

void Velunor::on_removeFilter_clicked()
{
    const QListWidgetItem *item = ui->filters->currentItem();
    if (!item)
        return;
    const int position = entryPosition(item);
    if (Prompter::question(this, tr("Remove Filter Rule"),
                           tr("You are about to remove a filter rule.\nDo you want to continue?"),
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return;
    if (position < 0 || position >= config.filters.size())
        return;
    documentChanged(FilterStep::removed(tr("Remove Filter Rule"), &config, position));
    refreshFilterList();
}

void Velunor::on_filterUp_clicked()
{
    moveFilter(-1);
}

void Velunor::on_filterDown_clicked()
{
    moveFilter(1);
}

void Velunor::moveFilter(int delta)
{
    if (config.filters.size() < 2)
        return;
    const int position = entryPosition(ui->filters->currentItem());
    if (position < 0 || position >= config.filters.size())
        return;
    const int target = position + delta;
    if (target < 0 || target >= config.filters.size())
        return;
    documentChanged(FilterStep::moved(tr("Move Filter Rule"), &config, position, target));
    refreshFilterList();
    ui->filters->setCurrentRow(target);
}

void Velunor::on_filters_customContextMenuRequested(const QPoint &pos)
{
    const QListWidgetItem *item = ui->filters->itemAt(pos);
    QMenu menu(this);
    if (item) {
        QAction *edit = menu.addAction(tr("&Edit"));
        edit->setData(ui->filters->row(item));
        connect(edit, &QAction::triggered, this, &Velunor::editFilter);
        menu.addSeparator();
    }
    connect(menu.addAction(tr("&Add filter...")), &QAction::triggered, this,
            &Velunor::on_addFilter_clicked);
    if (item) {
        connect(menu.addAction(tr("&Remove filter")), &QAction::triggered, this,
                &Velunor::on_removeFilter_clicked);
    }
    menu.exec(ui->filters->viewport()->mapToGlobal(pos));
}
