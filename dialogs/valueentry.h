#pragma once

#include <QString>

#include "config/filtertext.h"
#include "config/model.h"
#include "config/number.h"

class QComboBox;
class QWidget;

// True when the trimmed text is a number (automatic base) within least..greatest.
bool parseNumber(const QString &text, qint32 least, qint32 greatest);

class QLineEdit;

// The field shows this number, in either notation, whatever its range.
bool fieldShows(const QLineEdit *field, qint32 number);

// A field that does not take part (disabled, in an unchecked group) is never
// validated: its number is taken when it is one in least..greatest, else the
// stored value is kept.
qint32 numberOr(const QString &text, qint32 least, qint32 greatest, qint32 stored);

// Makes every page that holds the field current, opens a splitter pane that
// was dragged shut and scrolls the field into sight, so that a warning never
// points at a field out of sight.
void bringIntoView(QWidget *field);

// Tells the operator which field holds a bad value ("Invalid Value"), with
// what it takes as the informative text when given. The field is brought into
// view first (its tab made current, a collapsed splitter pane opened), and
// gets the focus with its text selected. The box goes through the Prompter.
void warnInvalidField(const QString &name, QWidget *field, QWidget *parent,
                      const QString &allowed = QString());

// Shows the number a field holds as it will be stored, in the notation (hex
// false: decimal), once the operator leaves the field: "0256" becomes "174".
// A number read as octal says so in the field's tooltip, and any other text
// takes the note away. A text that does not convert, or lies outside
// least..greatest, stays as typed. The new text is one edit of the field, so
// Ctrl+Z in it brings back what was typed.
void showAsRead(QLineEdit *field, qint32 least, qint32 greatest, bool hex);
// Takes the note of showAsRead away once the field shows anything else.
void forgetReadAs(QLineEdit *field);

// "Allowed: 0 to 8190.", in the given notation.
QString numberRangeText(qint32 least, qint32 greatest, bool hex);

QString esTypeName(int type);
QString esTypeShortName(int type);
// formatNumber, filterActionText and filterInputText live in the core
// (config/number.h, config/filtertext.h): the command-line tool uses them too.

// Clear the combo box and fill it with type codes as item data (Qt::UserRole).
// Read codes from the item data, never from positions: they differ.
void fillServiceTypeCombo(QComboBox *combo);
// The lcn-profile choices, with their LcnProfile codes as item data.
void fillLcnProfileCombo(QComboBox *combo);
// The add-service dialog's codings, "MPEG2 (0x02)", "H264 (0x1B)", ...:
// video kinds, and audio kinds (MPEG-2 audio first, the template's default).
void fillVideoTypeCombo(QComboBox *combo);
void fillAudioTypeCombo(QComboBox *combo);
void fillESTypeCombo(QComboBox *combo);
// Selects the item of a code. A code the list does not offer (a file may
// carry any 16-bit value) gets an item of its own, "Unknown (0x0009)" in the
// window's notation, so that it is shown, kept by a commit and no edit; the
// item goes again when another code is selected.
void selectCode(QComboBox *combo, int code, bool hex);
// The port texts "Any", "Port 1" .. "Port 4": position equals the input code.
void fillInputCombo(QComboBox *combo);
