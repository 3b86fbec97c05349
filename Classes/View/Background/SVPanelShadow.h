// The soft shadow under a panel. Qt clips a widget's painting to its own rectangle, so the shadow is
// a sibling just beneath the panel, a few units larger, that follows the panel's geometry,
// visibility and stacking.
#pragma once

#include <QColor>
#include <QPointF>
#include <QPointer>
#include <QWidget>

class SVPanelShadow : public QWidget {
    Q_OBJECT
public:
    // Panel shadow: light grey, 1 right and 1 down, blur radius 2.
    static QColor defaultColor() { return QColor(170, 170, 170); }
    static constexpr QPointF defaultOffset { 1, 1 };  // y down
    static constexpr int defaultBlur = 2;

    SVPanelShadow(QWidget* panel, qreal cornerRadius);

    // The area the shadow covers, in the panel's parent's coordinates.
    static QRect shadowRect(const QRect& panelGeometry, QPointF offset, int blur);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();

    QPointer<QWidget> m_panel;
    qreal m_cornerRadius;
};
