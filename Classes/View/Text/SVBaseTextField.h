// A read-only value field of the status panel: a coloured pill with its text centred, drawn in the
// rectangle its cell computes.
#pragma once

#include <QColor>
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

private:
    QString m_text;
    QColor m_backgroundColor = Qt::transparent;
    QColor m_textColor = Qt::white;
    qreal m_cornerRadius = 0;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
};
