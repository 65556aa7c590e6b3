#pragma once

#include <QList>
#include <QString>

#include "config/model.h"

// Texts of the services list, translated once per notation rather than once
// per entry: a large document shows thousands of entries.
class ServiceEntryTexts {
public:
    explicit ServiceEntryTexts(bool hex);
    // "Name (Service 1)\nPMT:256 (Vid:257, Aud:258)".
    QString text(const ServiceCfg &service) const;

private:
    const QString &shortName(int type) const;

    bool hex;
    QString head;
    QList<QString> shortNames; // by kind code
    QString unknown;
};

// "MPEG2 Video (PID:257)", with ", Language:deu" where one is set.
QString elementEntryText(const ESCfg &es, bool hex);

// A name of at most `length` characters: a longer one keeps its start and its
// end, with "…" in between (a pair of surrogates is never split).
QString elidedInMiddle(const QString &name, int length);
