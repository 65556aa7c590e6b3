#include "app/velunor.h"

// PID filter page: not written yet.
void Velunor::on_filters_itemDoubleClicked(QListWidgetItem *) {}
void Velunor::on_addRemap_clicked() {}
void Velunor::on_addFilter_clicked() {}
void Velunor::editFilter() {}
void Velunor::on_removeFilter_clicked() {}
void Velunor::on_filterUp_clicked() {}
void Velunor::on_filterDown_clicked() {}
void Velunor::on_filters_customContextMenuRequested(const QPoint &) {}
void Velunor::refreshFilterList() {}
void Velunor::editFilterAt(int) {}
void Velunor::moveFilter(int) {}
