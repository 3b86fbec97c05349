// JSON documents read strictly: a JSON reader keeps one of two equal keys of an object silently,
// so a hand-edited file that says "id" twice would be taken as meaning only one of them. Here such a
// document is refused, naming the key and where it is.
#pragma once

#include "Api/Bus/Result.h"

#include <QByteArray>
#include <QJsonObject>

namespace StrictJson {

// The document's top-level object; a usage failure for text that is not JSON, a top level that is
// not an object, or an object anywhere with one key twice.
Result<QJsonObject> parseObject(const QByteArray& text);

// The line, counted from 1, on which element index of the top-level object's array key begins, so
// that a refusal of one step or one servo of a hand-edited file can say where it is; 0 when text has
// no such element.
int lineOfElement(const QByteArray& text, QLatin1String key, qsizetype index);

// Checks a file's "format" name and its "version", a whole number from 1 to newest; what names the
// kind of file in the refusal ("a servo settings file").
Result<void> checkFormat(const QJsonObject& root, const QString& format, int newest, const QString& what);

}  // namespace StrictJson
