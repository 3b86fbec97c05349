#include "Classes/View/EditBox/BRNumberField.h"

#include <QPainter>
#include <QPainterPath>
#include <QtDebug>

BRNumberField::BRNumberField(const QSize& size, QWidget* parent)
    : QLineEdit(parent)
    , m_formatter(new BRNumberFormatter(this))
    , m_cornerRadius(size.height() / 2.0)
{
    resize(size);
    setFrame(false);
    setAlignment(Qt::AlignCenter);
    QLineEdit::setValidator(m_formatter);
    // Digits only: no input method composes text here.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhLatinOnly);

    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Qt::white);
    setPalette(palette);

    // Only the user's edits: a text set by code, a blank one included, stays as it was set.
    connect(this, &QLineEdit::textEdited, this, &BRNumberField::controlTextDidChange);
    connect(this, &QLineEdit::returnPressed, this, [this] { emit actionSent(this); });
}

void BRNumberField::setFormatter(QValidator*)
{
    qInfo("Can't change formatter");
}

void BRNumberField::setValidator(const QValidator*)
{
    qInfo("Can't change formatter");
}

void BRNumberField::setBackgroundColor(const QColor& color)
{
    m_backgroundColor = color;
    update();
}

QColor BRNumberField::textColor() const
{
    return palette().color(QPalette::Text);
}

void BRNumberField::setTextColor(const QColor& color)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Text, color);
    setPalette(palette);
}

void BRNumberField::setCornerRadius(qreal radius)
{
    m_cornerRadius = radius;
    update();
}

void BRNumberField::controlTextDidChange(const QString& text)
{
    if (text.isEmpty())
        setText(QStringLiteral("0"));
    // Part of the program's log: one line per edit, with the text it left.
    qInfo().noquote() << "controlTextDidChange :" << this->text();
}

void BRNumberField::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
        painter.fillPath(shape, m_backgroundColor);
    }
    QLineEdit::paintEvent(event);
}
