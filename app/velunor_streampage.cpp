#include "app/velunor.h"

// Stream configuration page: not written yet.
void Velunor::on_patEnabled_stateChanged(int) {}
void Velunor::on_sdtEnabled_stateChanged(int) {}
void Velunor::on_nitEnabled_stateChanged(int) {}
void Velunor::on_eitEnabled_stateChanged(int) {}
void Velunor::on_tdtEnabled_stateChanged(int) {}
void Velunor::on_tsCAEnabled_toggled(bool) {}
void Velunor::on_featPOT_toggled(bool) {}
void Velunor::updateStreamEnables() {}
void Velunor::loadStreamPage() {}
bool Velunor::streamPageChanged() const { return false; }
bool Velunor::commitStreamPage() { return true; }

bool Velunor::commitPages()
{
    return commitStreamPage() && commitService();
}
