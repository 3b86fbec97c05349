// The settings file format: QSettings' INI layout, with every value read and written as text.
#pragma once

#include <QSettings>

// Lines, sections, comments, key escapes and value escapes follow QSettings' INI files, so that
// text written by either reads the same through the other. Values are strings, or lists of strings
// where the text holds unquoted commas. A value that QSettings would decode into another type (its
// "@Variant(...)", "@ByteArray(...)", "@Rect(...)" forms and the like) is left out as if it were
// missing; nothing is ever deserialised, so reading costs no more than the size of the text.
// Writing leaves out values that are not text. Registered with QSettings on first use, for files
// named "*.conf".
QSettings::Format settingsTextFormat();
