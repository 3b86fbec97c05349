// Device node paths between the system's bytes and text. A path need not be valid UTF-8; each byte
// that is not part of a valid UTF-8 sequence is kept in the text as the lone code unit U+DC00 + byte,
// so that the text turns back into exactly the bytes it came from.
#pragma once

#include <QByteArray>
#include <QString>

namespace NodePath {

QString fromBytes(const QByteArray& bytes);
QByteArray toBytes(const QString& path);

}  // namespace NodePath
