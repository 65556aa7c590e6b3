#pragma once

#include "app/documentpage.h"

class FilterPage;

// The Stream Configuration page: which tables are generated, the stream's
// identifiers, network name, CA system, playout timings and TDT mode. Its
// fields are filled from the document (load), compared with it
// (hasPendingEdits) and written back after validation (commit). The default
// filter action stands on the PID filter page but is a field of the stream:
// it is committed with this page, in the same step.
class StreamPage final : public DocumentPage {
    Q_OBJECT

public:
    using DocumentPage::DocumentPage;

    void setUp(const PageContext &context, FilterPage *filterPage);
    void load();
    bool hasPendingEdits() const override;
    bool commit(Refusal refusal = Refusal::Warn) override;
    bool refusesEdits() const override;
    // Shows every number field again in the chosen notation, keeping text
    // that is no number as typed.
    void showNotation();

private Q_SLOTS:
    void on_patEnabled_stateChanged(int);
    void on_sdtEnabled_stateChanged(int);
    void on_nitEnabled_stateChanged(int);
    void on_eitEnabled_stateChanged(int);
    void on_tdtEnabled_stateChanged(int);
    void on_tsCAEnabled_toggled(bool);
    void on_featPOT_toggled(bool);

protected:
    QList<NumberField> shownNumbers() const override { return numberFields(*doc); }

private:
    void updateEnables();
    QList<NumberField> numberFields(const TransportStreamCfg &stored) const;
    TransportStreamCfg shown(const QList<NumberField> &numbers) const;

    FilterPage *filterPage = nullptr;
};
