#include "app/velunor.h"

#include <QCloseEvent>

// Document commands: not written yet.
void Velunor::on_action_New_triggered() {}
void Velunor::on_action_Load_triggered() {}
void Velunor::on_action_Save_triggered() {}
void Velunor::on_action_SaveAs_triggered() {}
void Velunor::on_action_ExportToMUX_triggered() {}
void Velunor::closeEvent(QCloseEvent *event) { event->accept(); }
bool Velunor::maybeSave() { return true; }
bool Velunor::saveTo(const QString &) { return false; }
