// The settings file format: QSettings' INI layout, with every value read and written as text.
#include "Tools/SettingsTextFormat.h"

#include <QIODevice>
#include <QStringList>

#include <cctype>
#include <optional>

namespace {

bool isBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

// The next line of data from pos: leading white space skipped, continued past a line break that is
// quoted or follows a backslash, and ended by an unquoted ';' (a comment, skipped when it opens the
// line). equals is the offset of the first unquoted '=' in the line, or -1.
bool nextLine(QByteArrayView data, qsizetype& pos, QByteArrayView& line, qsizetype& equals)
{
    const qsizetype size = data.size();
    qsizetype start = pos;
    while (start < size && (isBlank(data[start]) || data[start] == '\n' || data[start] == '\r'))
        ++start;
    qsizetype at = -1;
    bool inQuotes = false;
    qsizetype i = start;
    while (i < size) {
        const char ch = data[i++];
        if (ch == '=') {
            if (!inQuotes && at < 0)
                at = i - 1;
        } else if (ch == '\n' || ch == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (ch == '\\') {
            if (i < size) {
                const char escaped = data[i++];
                if (i < size && ((escaped == '\n' && data[i] == '\r') || (escaped == '\r' && data[i] == '\n')))
                    ++i;
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else if (ch == ';') {
            if (i == start + 1) {
                while (i < size && data[i] != '\n' && data[i] != '\r')
                    ++i;
                start = i;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    pos = i;
    line = data.sliced(start, i - start);
    equals = at < 0 ? -1 : at - start;
    return !line.isEmpty();
}

// A key or section name: "%XX" and "%UXXXX" are the character of that code, a backslash is '/'.
QString unescapedKey(QByteArrayView raw)
{
    const QString decoded = QString::fromUtf8(raw);
    QString key;
    key.reserve(decoded.size());
    qsizetype i = 0;
    while (i < decoded.size()) {
        const QChar ch = decoded[i];
        if (ch == u'\\') {
            key += u'/';
            ++i;
            continue;
        }
        if (ch == u'%' && i + 1 < decoded.size()) {
            const int digits = decoded[i + 1] == u'U' ? 4 : 2;
            const qsizetype first = i + 1 + (digits == 4 ? 1 : 0);
            bool ok = false;
            const ushort code =
                first + digits <= decoded.size() ? QStringView(decoded).sliced(first, digits).toUShort(&ok, 16) : 0;
            if (ok) {
                key += QChar(code);
                i = first + digits;
                continue;
            }
        }
        key += ch;
        ++i;
    }
    return key;
}

QByteArray escapedKey(const QString& key)
{
    QByteArray escaped;
    for (const QChar qch : key) {
        const char16_t ch = qch.unicode();
        if (ch == u'/')
            escaped += '\\';
        else if (ch < 0x80 && (std::isalnum(ch) || ch == u'_' || ch == u'-' || ch == u'.'))
            escaped += char(ch);
        else if (ch <= 0xff)
            escaped += '%' + QByteArray::number(ch, 16).toUpper().rightJustified(2, '0');
        else
            escaped += "%U" + QByteArray::number(ch, 16).toUpper().rightJustified(4, '0');
    }
    return escaped;
}

// The text of a value, with its escapes and quotes undone: a list when it holds an unquoted comma.
struct ValueText {
    QStringList parts;
    bool isList = false;
};

ValueText unescapedValue(QByteArrayView raw)
{
    static constexpr char simpleEscapes[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'},
        {'r', '\r'}, {'t', '\t'}, {'v', '\v'}, {'"', '"'}, {'?', '?'}, {'\'', '\''}, {'\\', '\\'}};
    auto digitValue = [](char ch, int base) {
        const int value = ch >= '0' && ch <= '9' ? ch - '0'
            : ch >= 'a' && ch <= 'f'             ? ch - 'a' + 10
            : ch >= 'A' && ch <= 'F'             ? ch - 'A' + 10
                                                 : base;
        return value < base ? value : -1;
    };

    ValueText value;
    QString current;
    bool inQuotes = false;
    bool quoted = false;
    qsizetype chopLimit = 0;
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < raw.size() && isBlank(raw[i]))
            ++i;
        chopLimit = current.size();
    };
    auto chopTrailingBlanks = [&] {
        while (current.size() > chopLimit && (current.back() == u' ' || current.back() == u'\t'))
            current.chop(1);
    };

    skipBlanks();
    while (i < raw.size()) {
        const char ch = raw[i];
        if (ch == '\\') {
            if (++i == raw.size())
                break;
            const char code = raw[i++];
            bool simple = false;
            for (const auto& escape : simpleEscapes) {
                if (code == escape[0]) {
                    current += QLatin1Char(escape[1]);
                    simple = true;
                    break;
                }
            }
            const int base = code == 'x' ? 16 : digitValue(code, 8) >= 0 ? 8 : 0;
            if (!simple && base != 0) {
                char16_t number = base == 8 ? char16_t(digitValue(code, 8)) : 0;
                bool any = base == 8;
                for (int digit; i < raw.size() && (digit = digitValue(raw[i], base)) >= 0; ++i, any = true)
                    number = char16_t(number * base + digit);
                if (any)
                    current += QChar(number);
            } else if (!simple && (code == '\n' || code == '\r') && i < raw.size()
                       && (raw[i] == '\n' || raw[i] == '\r') && raw[i] != code) {
                ++i;  // a line continued with \r\n or \n\r
            }
            chopLimit = current.size();
        } else if (ch == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
        } else if (ch == ',' && !inQuotes) {
            if (!quoted)
                chopTrailingBlanks();
            value.isList = true;
            value.parts.append(current);
            current.clear();
            quoted = false;
            ++i;
            skipBlanks();
        } else {
            qsizetype end = i + 1;
            while (end < raw.size() && raw[end] != '\\' && raw[end] != '"' && raw[end] != ',')
                ++end;
            current += QString::fromUtf8(raw.sliced(i, end - i));
            i = end;
        }
    }
    if (!quoted)
        chopTrailingBlanks();
    value.parts.append(current);
    return value;
}

// QSettings marks a value that is not plain text with a leading '@' ("@Variant(...)",
// "@ByteArray(...)", "@Invalid()"), writes text holding a NUL as "@String(...)", and doubles the '@'
// of other text that begins with one. Only text is taken: a value in any other form, or a list
// with an element in one, is left out.
std::optional<QVariant> plainValue(ValueText value)
{
    static const QString textMark = QStringLiteral("@String(");
    for (QString& part : value.parts) {
        if (!part.startsWith(u'@'))
            continue;
        if (part.startsWith(textMark) && part.endsWith(u')'))
            part = part.sliced(textMark.size()).chopped(1);
        else if (part.startsWith(QStringLiteral("@@")))
            part.remove(0, 1);
        else
            return std::nullopt;
    }
    if (value.isList)
        return QVariant(value.parts);
    return QVariant(value.parts.constFirst());
}

bool readTextFile(QIODevice& device, QSettings::SettingsMap& map)
{
    const QByteArray contents = device.readAll();
    QByteArrayView data(contents);
    if (data.startsWith("\xef\xbb\xbf"))
        data = data.sliced(3);
    bool wellFormed = true;
    QString section;  // empty for [General], else the group name and a slash
    QByteArrayView line;
    qsizetype equals = -1;
    qsizetype pos = 0;
    while (nextLine(data, pos, line, equals)) {
        if (line.front() == '[') {
            const qsizetype close = line.indexOf(']');
            wellFormed = wellFormed && close >= 0;
            const QByteArrayView name = line.sliced(1, (close >= 0 ? close : line.size()) - 1).trimmed();
            if (name.compare("general", Qt::CaseInsensitive) == 0)
                section.clear();
            else if (name.compare("%general", Qt::CaseInsensitive) == 0)
                section = QString::fromLatin1(name.sliced(1)) + u'/';
            else
                section = unescapedKey(name) + u'/';
            continue;
        }
        if (equals < 0) {
            wellFormed = wellFormed && line.front() == ';';
            continue;
        }
        QByteArrayView key = line.first(equals);
        while (!key.isEmpty() && isBlank(key.back()))
            key.chop(1);
        if (const std::optional<QVariant> value = plainValue(unescapedValue(line.sliced(equals + 1))))
            map.insert(section + unescapedKey(key), *value);
    }
    return wellFormed;
}

QByteArray escapedText(const QString& text)
{
    QString escaped;
    bool needsQuotes = false;
    bool escapeNextIfHexDigit = false;
    auto hex = [](char16_t ch) { return QStringLiteral("\\x") + QString::number(ch, 16); };
    const QString plain = text.contains(QChar::Null) ? QStringLiteral("@String(%1)").arg(text)
        : text.startsWith(u'@')                      ? QStringLiteral("@") + text
                                                     : text;
    for (const QChar qch : plain) {
        const char16_t ch = qch.unicode();
        needsQuotes = needsQuotes || ch == u';' || ch == u',' || ch == u'=';
        if (escapeNextIfHexDigit && ch < 0x80 && std::isxdigit(ch)) {
            escaped += hex(ch);
            continue;
        }
        escapeNextIfHexDigit = false;
        switch (ch) {
        case u'\0': escaped += QStringLiteral("\\0"); escapeNextIfHexDigit = true; break;
        case u'\a': escaped += QStringLiteral("\\a"); break;
        case u'\b': escaped += QStringLiteral("\\b"); break;
        case u'\f': escaped += QStringLiteral("\\f"); break;
        case u'\n': escaped += QStringLiteral("\\n"); break;
        case u'\r': escaped += QStringLiteral("\\r"); break;
        case u'\t': escaped += QStringLiteral("\\t"); break;
        case u'\v': escaped += QStringLiteral("\\v"); break;
        case u'"':
        case u'\\': escaped += u'\\'; escaped += qch; break;
        default:
            if (ch <= 0x1f) {
                escaped += hex(ch);
                escapeNextIfHexDigit = true;
            } else {
                escaped += qch;
            }
        }
    }
    if (needsQuotes || escaped.startsWith(u' ') || escaped.endsWith(u' '))
        escaped = QLatin1Char('"') + escaped + QLatin1Char('"');
    return escaped.toUtf8();
}

// Sections in the order of their names, [General] first; values that are not text are left out,
// as they could not be read back.
bool writeTextFile(QIODevice& device, const QSettings::SettingsMap& map)
{
    QMap<QString, QByteArray> sections;
    for (auto entry = map.cbegin(); entry != map.cend(); ++entry) {
        const qsizetype slash = entry.key().indexOf(u'/');
        const QString section = slash < 0 ? QString() : entry.key().first(slash);
        const QString key = slash < 0 ? entry.key() : entry.key().sliced(slash + 1);
        QByteArray value;
        if (entry->typeId() == QMetaType::QString) {
            value = escapedText(entry->toString());
        } else if (entry->typeId() == QMetaType::QStringList) {
            QByteArrayList parts;
            for (const QString& part : entry->toStringList())
                parts.append(escapedText(part));
            value = parts.isEmpty() ? QByteArray("@Invalid()") : parts.join(", ");
        } else {
            continue;
        }
        sections[section] += escapedKey(key) + '=' + value + '\n';
    }
    QByteArray contents;
    for (auto section = sections.cbegin(); section != sections.cend(); ++section) {
        const QByteArray name = escapedKey(section.key());
        if (!contents.isEmpty())
            contents += '\n';
        contents += name.isEmpty() ? QByteArray("[General]")
            : name.compare("general", Qt::CaseInsensitive) == 0 ? QByteArray("[%General]")
                                                               : '[' + name + ']';
        contents += '\n' + *section;
    }
    return device.write(contents) == contents.size();
}

}  // namespace

QSettings::Format settingsTextFormat()
{
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("conf"), readTextFile, writeTextFile);
    return format;
}
