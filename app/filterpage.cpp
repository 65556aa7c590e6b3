#include "app/filterpage.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>

#include "app/documentstep.h"
#include "app/recordlist.h"
#include "config/filtertext.h"
#include "dialogs/filterconfigdlg.h"
#include "dialogs/prompter.h"
#include "dialogs/settings.h"
#include "dialogs/simplefilterconfigdlg.h"
#include "ui_velunor.h"

namespace {

// filter-default is a FilterAction; the combo offers drop (index 0) and pass
// (index 1) only, since a remap needs a base that the default rule cannot carry.
constexpr int DefaultDropIndex = 0;
constexpr int DefaultPassIndex = 1;

} // namespace

FilterPage::FilterPage(QWidget *parent) : DocumentPage(parent) {}

FilterPage::~FilterPage() = default;

void FilterPage::setUp(const PageContext &context)
{
    attach(context);
    texts = std::make_unique<FilterRuleTexts>(hex());
    model = new RecordListModel([this]() { return int(doc->filters.size()); },
                                [this](int row) {
                                    // Numbered from 1, as the check names a rule ("filter rule 61").
                                    return tr("Rule %1: %2").arg(QString::number(row + 1), texts->text(doc->filters.at(row)));
                                }, this);
    ui->filters->setModel(model);
    ui->filters->installEventFilter(this);
    reportEdits();
}

void FilterPage::refresh()
{
    texts = std::make_unique<FilterRuleTexts>(hex());
    model->reset();
    const bool any = !doc->filters.isEmpty();
    ui->filterUp->setEnabled(any);
    ui->filterDown->setEnabled(any);
    ui->filters->setCurrentRow(-1);
}

void FilterPage::selectRule(int position)
{
    ui->filters->setCurrentRow(position);
}

qint32 FilterPage::shownDefaultAction(qint32 stored) const
{
    switch (ui->filterDefault->currentIndex()) {
    case DefaultDropIndex: return ActionDrop;
    case DefaultPassIndex: return ActionPass;
    default: return stored;
    }
}

void FilterPage::showDefaultAction(qint32 action)
{
    ui->filterDefault->setCurrentIndex(action == ActionDrop ? DefaultDropIndex : DefaultPassIndex);
}

void FilterPage::on_filters_itemDoubleClicked(int row)
{
    editFilterAt(row);
}

void FilterPage::append(const FilterCfg &filter)
{
    makeChange(FilterStep::inserted(tr("Add Filter Rule"), doc, int(doc->filters.size()), filter));
    refresh();
}

void FilterPage::on_addRemap_clicked()
{
    FilterCfg filter;
    SimpleFilterConfigDlg dialog(window());
    if (dialog.exec(&filter, true) == QDialog::Accepted)
        append(filter);
}

void FilterPage::on_addFilter_clicked()
{
    FilterCfg filter;
    FilterConfigDlg dialog(window());
    if (dialog.exec(&filter, true, hex()) == QDialog::Accepted)
        append(filter);
}

void FilterPage::editFilter()
{
    const auto *action = qobject_cast<const QAction *>(sender());
    if (action)
        editFilterAt(action->data().toInt());
}

void FilterPage::editFilterAt(int position)
{
    if (position < 0 || position >= doc->filters.size())
        return;
    // Whatever dialog made the rule, the advanced one edits it: a simple
    // remap is just a one-PID range rule with action remap.
    FilterCfg filter = doc->filters.at(position);
    FilterConfigDlg dialog(window());
    if (dialog.exec(&filter, false, hex()) != QDialog::Accepted || filter == doc->filters.at(position))
        return;
    const int row = ui->filters->currentRow();
    makeChange(FilterStep::replaced(tr("Edit Filter Rule"), doc, position, filter));
    refresh();
    ui->filters->setCurrentRow(row);
}

void FilterPage::on_removeFilter_clicked()
{
    const int position = ui->filters->currentRow();
    if (position < 0)
        return;
    if (Prompter::question(window(), tr("Remove Filter Rule"),
                           tr("You are about to remove a filter rule.\nDo you want to continue?"),
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return;
    if (position >= doc->filters.size())
        return;
    makeChange(FilterStep::removed(tr("Remove Filter Rule"), doc, position));
    refresh();
}

void FilterPage::on_filterUp_clicked()
{
    moveFilter(-1);
}

void FilterPage::on_filterDown_clicked()
{
    moveFilter(1);
}

void FilterPage::moveFilter(int delta)
{
    const int count = int(doc->filters.size());
    const int position = ui->filters->currentRow();
    const int target = position + delta;
    if (count < 2 || position < 0 || position >= count || target < 0 || target >= count)
        return;
    makeChange(FilterStep::moved(tr("Move Filter Rule"), doc, position, target));
    refresh();
    ui->filters->setCurrentRow(target);
}

void FilterPage::on_filters_customContextMenuRequested(const QPoint &pos)
{
    const int row = ui->filters->rowAt(pos);
    QMenu menu(this);
    if (row >= 0) {
        QAction *edit = menu.addAction(tr("&Edit"));
        edit->setData(row);
        connect(edit, &QAction::triggered, this, &FilterPage::editFilter);
        menu.addSeparator();
    }
    connect(menu.addAction(tr("&Add filter...")), &QAction::triggered, this, &FilterPage::on_addFilter_clicked);
    if (row >= 0)
        connect(menu.addAction(tr("&Remove filter")), &QAction::triggered, this,
                &FilterPage::on_removeFilter_clicked);
    menu.exec(ui->filters->viewport()->mapToGlobal(pos));
}

bool FilterPage::eventFilter(QObject *watched, QEvent *event)
{
    // The type first: while the window is torn down its form is gone before
    // the list's last events arrive here.
    if (event->type() == QEvent::KeyPress && ui && watched == ui->filters
        && ui->filters->commandKey(
            static_cast<QKeyEvent *>(event), [this](int row) { editFilterAt(row); },
            [this]() { on_removeFilter_clicked(); }, [this](int delta) { moveFilter(delta); }))
        return true;
    return DocumentPage::eventFilter(watched, event);
}
