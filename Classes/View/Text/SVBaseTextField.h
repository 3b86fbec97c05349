// A read-only value field of the status panel: a coloured pill with its text centred, drawn in the
// rectangle its cell computes.
#pragma once

#include <QColor>
#include <QHash>
#include <QWidget>

class SVBaseTextField : public QWidget {
    Q_OBJECT
public:
    explicit SVBaseTextField(const QString& text = QString(), QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor& color);
    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);

    QRectF textRect() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int textWidth(const QString& text) const;

    static constexpr qsizetype rememberedWidths = 256;

    QString m_text;
    mutable QHash<QString, int> m_widths;  // text widths in the current font
    mutable int m_lineHeight = -1;          // line height in the current font, -1 until measured
    QColor m_backgroundColor = Qt::transparent;
    QColor m_textColor = Qt::white;
    qreal m_cornerRadius = 0;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
};
