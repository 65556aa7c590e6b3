#pragma once

#include <QString>

// Texts of DVB SI (EN 300 468 Annex A): an optional character table selector,
// then the characters. The decoder removes the control codes (0x80 to 0x9F,
// U+E080 to U+E09F) after decoding and turns the CR/LF code into '\n'.
//
// *problem is set (and left alone otherwise) when the text was read on a guess:
// a selector that is reserved or names a table not supported here, or letters
// of the default table beyond Latin.
QString decodeDvbText(const char *data, int size, QString *problem);
