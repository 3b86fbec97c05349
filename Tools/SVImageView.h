// An image filling the view; a press on it starts moving the window (the window has no title bar).
#pragma once

#include <QIcon>
#include <QWidget>

class SVImageView : public QWidget {
    Q_OBJECT
public:
    explicit SVImageView(const QIcon& image = QIcon(), QWidget* parent = nullptr);

    QIcon image() const { return m_image; }
    void setImage(const QIcon& image);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);
    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);

signals:
    // Emitted on every press, whether or not the platform could start a window move.
    void windowDragRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QIcon m_image;
    QColor m_backgroundColor = Qt::transparent;
    qreal m_cornerRadius = 0;
};
