#include "app/velunor.h"

// Services page: not written yet.
void Velunor::on_caEnabled_toggled(bool) {}
void Velunor::on_lcEnabled_toggled(bool) {}
void Velunor::on_serviceUp_clicked() {}
void Velunor::on_serviceDown_clicked() {}
void Velunor::on_services_currentRowChanged(int) {}
void Velunor::on_services_customContextMenuRequested(const QPoint &) {}
void Velunor::on_elements_itemDoubleClicked(QListWidgetItem *) {}
void Velunor::on_elements_customContextMenuRequested(const QPoint &) {}
void Velunor::on_addService_clicked() {}
void Velunor::editService() {}
void Velunor::duplicateService() {}
void Velunor::on_removeService_clicked() {}
void Velunor::on_addES_clicked() {}
void Velunor::editES() {}
void Velunor::on_removeES_clicked() {}
void Velunor::clearServiceEditor() {}
void Velunor::loadService(int) {}
bool Velunor::serviceEditorChanged() const { return false; }
bool Velunor::commitService() { return true; }
void Velunor::refreshServiceList() {}
void Velunor::refreshElementList() {}
void Velunor::updateServiceEnables() {}
void Velunor::openService(int) {}
void Velunor::moveService(int) {}
void Velunor::editESAt(int) {}
