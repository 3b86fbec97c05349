// A string table in the `"key" = "value";` format: parsing and lookup.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>

class StringsTable {
public:
    StringsTable() = default;

    // Parses the text of a table. Comments (/* */ and //) are ignored. Quoted strings take the escapes
    // \" \\ \n \t \r \a \b \f \v, octal \ooo and \Uxxxx. `"key";` maps the key to itself. An entry
    // that does not parse is skipped up to the end of its line, and parsing goes on with the next line.
    static StringsTable parse(QStringView text);
    // Decodes the bytes of a table file (UTF-8, or UTF-16 with a byte-order mark) and parses them.
    static StringsTable parse(const QByteArray& bytes);

    bool contains(const QString& key) const { return m_entries.contains(key); }
    QString value(const QString& key) const { return m_entries.value(key); }
    const QHash<QString, QString>& entries() const { return m_entries; }

private:
    QHash<QString, QString> m_entries;
};
