#pragma once

#include <memory>

#include "app/documentpage.h"

class FilterRuleTexts;
class RecordList;
class RecordListModel;

// The PID Filter page: the document's filter rules, in the order the MUX
// applies them (the first matching rule wins), and the default action. Rule
// commands change the document at once, a step each; the default action is
// a field of the stream and is committed with the stream page.
class FilterPage final : public DocumentPage {
    Q_OBJECT

public:
    explicit FilterPage(QWidget *parent = nullptr);
    ~FilterPage() override;

    void setUp(const PageContext &context);
    // Shows the rules of the document again (their number or order changed),
    // or in the chosen notation; no rule is current afterwards.
    void refresh();
    void selectRule(int position);

    // The default action shown: drop or pass (any other stored action shows,
    // and is committed, as pass); `stored` while the combo shows neither.
    qint32 shownDefaultAction(qint32 stored) const;
    void showDefaultAction(qint32 action);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private Q_SLOTS:
    void on_filters_itemDoubleClicked(int row);
    void on_addRemap_clicked();
    void on_addFilter_clicked();
    void editFilter();
    void on_removeFilter_clicked();
    void on_filterUp_clicked();
    void on_filterDown_clicked();
    void on_filters_customContextMenuRequested(const QPoint &pos);

private:
    void editFilterAt(int position);
    void moveFilter(int delta);
    void append(const FilterCfg &filter);

    RecordListModel *model = nullptr;
    std::unique_ptr<FilterRuleTexts> texts;
};
