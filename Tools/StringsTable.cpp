#include "Tools/StringsTable.h"

#include <QStringDecoder>

#include <optional>

namespace {

// Reads one table text token by token. Every read function leaves `pos` after what it consumed.
class StringsReader {
public:
    explicit StringsReader(QStringView text)
        : m_text(text)
    {
    }

    bool atEnd() const { return m_pos >= m_text.size(); }
    qsizetype position() const { return m_pos; }

    // Skips white space and comments. False when a block comment is not closed.
    bool skipSpaceAndComments()
    {
        while (!atEnd()) {
            const QChar c = m_text[m_pos];
            if (c.isSpace()) {
                ++m_pos;
            } else if (startsWith(u"//")) {
                while (!atEnd() && m_text[m_pos] != u'\n')
                    ++m_pos;
            } else if (startsWith(u"/*")) {
                const qsizetype end = m_text.indexOf(u"*/", m_pos + 2);
                if (end < 0) {
                    m_pos = m_text.size();
                    return false;
                }
                m_pos = end + 2;
            } else {
                return true;
            }
        }
        return true;
    }

    bool accept(QChar c)
    {
        if (atEnd() || m_text[m_pos] != c)
            return false;
        ++m_pos;
        return true;
    }

    // A quoted string with its escapes, or a bare word of letters, digits and . _ - $ : /.
    std::optional<QString> readString()
    {
        if (atEnd())
            return std::nullopt;
        if (m_text[m_pos] == u'"')
            return readQuoted();
        const qsizetype start = m_pos;
        while (!atEnd() && isBareWordChar(m_text[m_pos]))
            ++m_pos;
        if (m_pos == start)
            return std::nullopt;
        return m_text.sliced(start, m_pos - start).toString();
    }

    // Moves to the start of the line after the one holding `from`, or to the end.
    void skipLineFrom(qsizetype from)
    {
        const qsizetype newline = m_text.indexOf(u'\n', from);
        m_pos = newline < 0 ? m_text.size() : newline + 1;
    }

private:
    static bool isBareWordChar(QChar c)
    {
        return c.isLetterOrNumber() || c == u'.' || c == u'_' || c == u'-' || c == u'$' || c == u':' || c == u'/';
    }

    bool startsWith(QStringView s) const { return m_text.sliced(m_pos).startsWith(s); }

    std::optional<QString> readQuoted()
    {
        ++m_pos; // opening quote
        QString out;
        while (!atEnd()) {
            const QChar c = m_text[m_pos++];
            if (c == u'"')
                return out;
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (atEnd())
                break;
            const QChar e = m_text[m_pos++];
            switch (e.unicode()) {
            case 'n': out += u'\n'; break;
            case 't': out += u'\t'; break;
            case 'r': out += u'\r'; break;
            case 'a': out += u'\a'; break;
            case 'b': out += u'\b'; break;
            case 'f': out += u'\f'; break;
            case 'v': out += u'\v'; break;
            case 'U':
            case 'u': {
                const std::optional<char16_t> unit = readHex4();
                if (!unit)
                    return std::nullopt;
                out += QChar(*unit);
                break;
            }
            default:
                if (e >= u'0' && e <= u'7')
                    out += QChar(readOctal(e.unicode() - u'0'));
                else
                    out += e; // \" \\ \' and any other character stand for themselves
                break;
            }
        }
        return std::nullopt; // no closing quote
    }

    // Up to two more octal digits after the first one, which is already read.
    char16_t readOctal(int value)
    {
        for (int digits = 1; digits < 3 && !atEnd() && m_text[m_pos] >= u'0' && m_text[m_pos] <= u'7'; ++digits)
            value = value * 8 + (m_text[m_pos++].unicode() - u'0');
        return static_cast<char16_t>(value);
    }

    std::optional<char16_t> readHex4()
    {
        if (m_pos + 4 > m_text.size())
            return std::nullopt;
        bool ok = false;
        const uint unit = m_text.sliced(m_pos, 4).toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        m_pos += 4;
        return static_cast<char16_t>(unit);
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace

StringsTable StringsTable::parse(QStringView text)
{
    StringsTable table;
    StringsReader reader(text);
    while (reader.skipSpaceAndComments() && !reader.atEnd()) {
        const qsizetype entryStart = reader.position();
        const auto fail = [&] { reader.skipLineFrom(entryStart); };

        const std::optional<QString> key = reader.readString();
        if (!key || !reader.skipSpaceAndComments()) {
            fail();
            continue;
        }
        if (reader.accept(u';')) {
            table.m_entries.insert(*key, *key);
            continue;
        }
        if (!reader.accept(u'=') || !reader.skipSpaceAndComments()) {
            fail();
            continue;
        }
        const std::optional<QString> value = reader.readString();
        if (!value || !reader.skipSpaceAndComments() || !reader.accept(u';')) {
            fail();
            continue;
        }
        table.m_entries.insert(*key, *value);
    }
    return table;
}

StringsTable StringsTable::parse(const QByteArray& bytes)
{
    const std::optional<QStringConverter::Encoding> bom = QStringConverter::encodingForData(bytes);
    QStringDecoder decoder(bom.value_or(QStringConverter::Utf8));
    QString text = decoder(bytes);
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);
    return parse(QStringView(text));
}
