#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "mbn/sectiondescriber.h"

class MbnProgram;

// The disassembly of a MUX binary in plain words, as `velunor-cli dump`
// prints it: the entry table, each routine's instructions, the section each
// sending routine assembles decoded field by field (describeSection), and the
// PID filter table in the words of the PID filter page.

// The whole program. False on the first section that does not decode, with
// the offset of its routine and the reason; *text is then left empty.
bool dumpMbnProgram(const MbnProgram &program, QString *text, int *errorOffset, QString *errorString);
