// The light grey rounded group box with a centred title that holds each group of controls.
#pragma once

#include <QLabel>
#include <QWidget>

class SVToolView : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal cornerRadius = 7;
    static constexpr int titleTopInset = 10;
    static constexpr int titleFontSize = 18;
    static QColor backgroundColor() { return QColor(232, 232, 232); }

    explicit SVToolView(QWidget* parent = nullptr);

    QLabel* lableTitle() const { return m_lableTitle; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_lableTitle;
};
