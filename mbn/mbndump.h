#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class MbnProgram;

// The disassembly of a MUX binary in plain words, as `velunor-cli dump`
// prints it: the entry table, each routine's instructions, the section each
// sending routine assembles decoded field by field (PAT, PMT, SDT, NIT, EIT,
// TDT), and the PID filter table in the words of the PID filter page.

// Decodes one section as it goes on the air (table_id to CRC_32) into lines
// indented by `indent` spaces. False with *error when a length field runs past
// the section or a descriptor does not hold what its tag promises.
bool describeSection(const QByteArray &section, int indent, QStringList *lines, QString *error);

// The whole program. False on the first section that does not decode, with
// the offset of its routine and the reason; *text is then left empty.
bool dumpMbnProgram(const MbnProgram &program, QString *text, int *errorOffset, QString *errorString);
