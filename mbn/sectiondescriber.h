#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Decodes one section as it goes on the air (table_id to CRC_32) into lines
// indented by `indent` spaces, field by field (PAT, PMT, SDT, NIT, EIT, TDT
// and their descriptors). False with *error when a length field runs past
// the section or a descriptor does not hold what its tag promises.
bool describeSection(const QByteArray &section, int indent, QStringList *lines, QString *error);
