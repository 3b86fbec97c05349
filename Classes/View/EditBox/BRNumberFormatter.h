// The edit check of the whole-number fields: a text is allowed when it holds only the decimal digits
// 0-9 and their number is at most max. Every edit is checked (typing, pasting, replacing a
// selection); an empty text is allowed, because the field turns it into "0".
#pragma once

#include <QValidator>

class BRNumberFormatter : public QValidator {
    Q_OBJECT
public:
    static constexpr quint64 defaultMax = 9223372036854775807ULL;  // 2^63 - 1

    explicit BRNumberFormatter(QObject* parent = nullptr);

    quint64 max() const { return m_max; }
    void setMax(quint64 max);

    // The partial-string check: would the edit that turns the text into proposed be allowed?
    bool isPartialStringValid(const QString& proposed) const;

    State validate(QString& input, int& pos) const override;

private:
    quint64 m_max = defaultMax;
};
