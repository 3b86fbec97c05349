// The grey pill-shaped entry field for whole numbers up to max (servo ID, time, position, speed,
// deviation). Its formatter refuses every edit that would leave anything but a number up to max;
// emptied by the user, it shows "0". Enter reports actionSent(this).
#pragma once

#include "Classes/View/EditBox/BRNumberFormatter.h"

#include <QColor>
#include <QLineEdit>

class BRNumberField : public QLineEdit {
    Q_OBJECT
public:
    static QColor defaultBackgroundColor() { return QColor(162, 162, 162); }

    // The corner radius is half the height the field is created with.
    explicit BRNumberField(const QSize& size = QSize(60, 20), QWidget* parent = nullptr);

    quint64 max() const { return m_formatter->max(); }
    void setMax(quint64 max) { m_formatter->setMax(max); }
    BRNumberFormatter* formatter() const { return m_formatter; }
    // The formatter is part of the field: a replacement is logged and ignored.
    void setFormatter(QValidator* formatter);
    void setValidator(const QValidator* validator);

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);
    QColor textColor() const;
    void setTextColor(const QColor& color);
    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);

    template <class Target, class Action>
    void setTarget(Target* target, Action action)
    {
        connect(this, &BRNumberField::actionSent, target, action);
    }

signals:
    void actionSent(QObject* sender);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void controlTextDidChange(const QString& text);

    BRNumberFormatter* m_formatter;
    QColor m_backgroundColor = defaultBackgroundColor();
    qreal m_cornerRadius;
};
