#include "Api/Bus/StrictJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <cmath>

namespace {

// Walks text that is known to be valid JSON and finds the first object with a key twice.
class DuplicateKeyFinder {
public:
    explicit DuplicateKeyFinder(const QByteArray& text) : m_text(text) {}

    // Empty when every object's keys differ.
    QString find()
    {
        value();
        return m_found;
    }

private:
    char peek()
    {
        while (m_at < m_text.size() && QByteArrayView(" \t\r\n").contains(m_text.at(m_at)))
            ++m_at;
        return m_at < m_text.size() ? m_text.at(m_at) : '\0';
    }

    void value()
    {
        switch (peek()) {
        case '{': object(); break;
        case '[': array(); break;
        case '"': string(); break;
        default:
            while (m_at < m_text.size() && !QByteArrayView(",]} \t\r\n").contains(m_text.at(m_at)))
                ++m_at;
        }
    }

    void object()
    {
        ++m_at;
        QSet<QString> keys;
        while (m_found.isEmpty() && peek() == '"') {
            const qsizetype keyAt = m_at;
            const QString key = string();
            if (keys.contains(key)) {
                m_found = QStringLiteral("the key \"%1\" appears twice in one object (at byte %2)").arg(key).arg(keyAt);
                return;
            }
            keys.insert(key);
            peek();
            ++m_at;  // ':'
            value();
            if (peek() == ',')
                ++m_at;
        }
        if (peek() == '}')
            ++m_at;
    }

    void array()
    {
        ++m_at;
        while (m_found.isEmpty() && peek() != ']' && m_at < m_text.size()) {
            value();
            if (peek() == ',')
                ++m_at;
        }
        ++m_at;
    }

    // The string at m_at, its escapes decoded.
    QString string()
    {
        const qsizetype start = m_at++;
        bool escaped = false;
        while (m_at < m_text.size() && m_text.at(m_at) != '"') {
            escaped = escaped || m_text.at(m_at) == '\\';
            m_at += m_text.at(m_at) == '\\' ? 2 : 1;
        }
        ++m_at;
        const QByteArray literal = m_text.mid(start, m_at - start);
        if (!escaped)
            return QString::fromUtf8(literal.mid(1).chopped(1));
        return QJsonDocument::fromJson("[" + literal + "]").array().at(0).toString();
    }

    const QByteArray& m_text;
    qsizetype m_at = 0;
    QString m_found;
};

// Walks text, known to be valid JSON, and finds where an element of a top-level array begins.
class ElementFinder {
public:
    explicit ElementFinder(const QByteArray& text) : m_text(text) {}

    int lineOf(QLatin1String key, qsizetype index)
    {
        int depth = 0;
        bool keyMatched = false;     // the last string at depth 1 was key, and a ':' may follow
        bool inArray = false;        // inside key's array, at depth 2
        bool elementStarts = false;  // the next value at depth 2 begins an element
        qsizetype element = -1;
        for (; m_at < m_text.size(); ++m_at) {
            const char c = m_text.at(m_at);
            if (c == '\n') {
                ++m_line;
                continue;
            }
            if (QByteArrayView(" \t\r").contains(c))
                continue;
            if (inArray && depth == 2 && elementStarts && c != ']') {
                if (++element == index)
                    return m_line;
                elementStarts = false;
            }
            switch (c) {
            case '"': {
                const QByteArray text = string();
                keyMatched = depth == 1 && text == QByteArrayView(key.data(), key.size());
                continue;
            }
            case ':':
                continue;
            case '[':
                if (!inArray && keyMatched && depth == 1)
                    inArray = elementStarts = true;
                ++depth;
                break;
            case '{':
                ++depth;
                break;
            case ']':
            case '}':
                --depth;
                if (inArray && depth == 1)
                    return 0;
                break;
            case ',':
                elementStarts = inArray && depth == 2;
                break;
            default:
                break;
            }
            keyMatched = false;
        }
        return 0;
    }

private:
    // The string that starts at m_at, which is left on its closing quote.
    QByteArray string()
    {
        QByteArray text;
        for (++m_at; m_at < m_text.size() && m_text.at(m_at) != '"'; ++m_at) {
            if (m_text.at(m_at) == '\\')
                ++m_at;
            if (m_at < m_text.size())
                text.append(m_text.at(m_at));
        }
        return text;
    }

    const QByteArray& m_text;
    qsizetype m_at = 0;
    int m_line = 1;
};

}  // namespace

namespace StrictJson {

Result<QJsonObject> parseObject(const QByteArray& text)
{
    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return Failure::usage(QStringLiteral("not valid JSON (%1 at byte %2)").arg(parseError.errorString()).arg(parseError.offset));
    if (!json.isObject())
        return Failure::usage(QStringLiteral("not a JSON object"));
    if (const QString duplicate = DuplicateKeyFinder(text).find(); !duplicate.isEmpty())
        return Failure::usage(duplicate);
    return json.object();
}

Result<void> checkFormat(const QJsonObject& root, const QString& format, int newest, const QString& what)
{
    if (root.value(QLatin1String("format")).toString() != format)
        return Failure::usage(QStringLiteral("not %1 (no \"format\": \"%2\")").arg(what, format));
    const QJsonValue version = root.value(QLatin1String("version"));
    const double number = version.toDouble();
    if (!version.isDouble() || number < 1 || number != std::floor(number))
        return Failure::usage(QStringLiteral("no format version (a whole number from 1)"));
    if (number > newest)
        return Failure::usage(QStringLiteral("format version %1 is newer than this program reads (%2)").arg(number).arg(newest));
    return {};
}

int lineOfElement(const QByteArray& text, QLatin1String key, qsizetype index)
{
    return ElementFinder(text).lineOf(key, index);
}

}  // namespace StrictJson
