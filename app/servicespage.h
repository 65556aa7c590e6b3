#pragma once

#include <memory>

#include "app/documentpage.h"

class RecordListModel;
class ServiceEntryTexts;

// The PSI Generator page: the document's services and the editor of the one
// that is open. The page owns the open service: its position, and a working
// copy whose element list the element list shows. The editor's fields are
// compared with the document (hasPendingEdits) and committed when the
// operator leaves the service, saves, exports or checks; list commands and
// elementary PID edits reach the document at once, a step each.
class ServicesPage final : public DocumentPage {
    Q_OBJECT

public:
    explicit ServicesPage(QWidget *parent = nullptr);
    ~ServicesPage() override;

    void setUp(const PageContext &context);

    // Shows the document as it stands with the service at row open (none
    // when there is no such service); edits not committed are dropped.
    void showDocument(int row);
    // Closes the editor and forgets the working copy.
    void clear();
    bool hasPendingEdits() const override;
    bool commit(Refusal refusal = Refusal::Warn) override;
    bool refusesEdits() const override;
    void showNotation();

    int openRow() const { return serviceOpen ? editedRow : -1; }
    // As a click on the entry: the open service is committed first, and a
    // refused field keeps it open. True when the service is open afterwards.
    bool showService(int row);
    // The list's current entry back on the open service (none when closed).
    void reselectOpenService();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    QList<NumberField> shownNumbers() const override;

private Q_SLOTS:
    void on_caEnabled_toggled(bool);
    void on_lcEnabled_toggled(bool);
    void on_serviceUp_clicked();
    void on_serviceDown_clicked();
    void on_services_currentRowChanged(int row);
    void on_services_customContextMenuRequested(const QPoint &pos);
    void on_elements_itemDoubleClicked(int row);
    void on_elements_customContextMenuRequested(const QPoint &pos);
    void on_addService_clicked();
    void editService();
    void duplicateService();
    void on_removeService_clicked();
    void on_addES_clicked();
    void editES();
    void on_removeES_clicked();

private:
    // The editor (servicespage.cpp).
    void setEditorEnabled(bool enabled);
    void updateEnables();
    void loadService(int row);
    QList<NumberField> numberFields(const ServiceCfg &stored) const;
    ServiceCfg shownService() const;
    void openService(int row);

    // The lists (servicespage_lists.cpp).
    void refreshList();
    void refreshElements();
    void appendService(const QString &step, const ServiceCfg &service);
    void moveService(int delta);
    void editESAt(int position);
    void storeElements(const QString &step, const QList<ESCfg> &elements);
    void openFromKeyboard(int row);

    ServiceCfg editedService; // the working copy; its elements are shown
    bool serviceOpen = false;
    int editedRow = -1;
    RecordListModel *services = nullptr;
    RecordListModel *elements = nullptr;
    std::unique_ptr<ServiceEntryTexts> texts;
};
