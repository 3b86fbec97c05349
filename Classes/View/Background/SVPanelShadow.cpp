#include "Classes/View/Background/SVPanelShadow.h"

#include "Tools/SVRoundedFill.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

SVPanelShadow::SVPanelShadow(QWidget* panel, qreal cornerRadius)
    : QWidget(panel->parentWidget())
    , m_panel(panel)
    , m_cornerRadius(cornerRadius)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    panel->installEventFilter(this);
    connect(panel, &QObject::destroyed, this, [this] {
        hide();
        deleteLater();
    });
    follow();
}

QRect SVPanelShadow::shadowRect(const QRect& panelGeometry, QPointF offset, int blur)
{
    return panelGeometry.translated(offset.toPoint()).adjusted(-blur, -blur, blur, blur);
}

bool SVPanelShadow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_panel) {
        switch (event->type()) {
        case QEvent::ParentChange:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        // Sent for an explicit show() or hide() even while the window is not yet visible, when
        // Show and Hide are not.
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
        case QEvent::ZOrderChange:
            follow();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SVPanelShadow::follow()
{
    if (!m_panel)
        return;
    if (parentWidget() != m_panel->parentWidget())
        setParent(m_panel->parentWidget());
    setGeometry(shadowRect(m_panel->geometry(), defaultOffset, defaultBlur));
    setVisible(m_panel->parentWidget() && !m_panel->isHidden());
    stackUnder(m_panel);
}

// The blur is approximated by rings of falling opacity around the offset panel shape.
void SVPanelShadow::paintEvent(QPaintEvent* event)
{
    if (m_panel) {
        const QRect panelHere(m_panel->geometry().topLeft() - pos(), m_panel->size());
        if ((event->region() - SVRoundedFill::coveredArea(panelHere, m_cornerRadius)).isEmpty())
            return;  // the panel paints all of it next
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body = QRectF(rect()).adjusted(defaultBlur, defaultBlur, -defaultBlur, -defaultBlur);
    QColor color = defaultColor();
    const int steps = 2 * defaultBlur;
    for (int step = 0; step < steps; ++step) {
        const qreal grow = defaultBlur - step * qreal(defaultBlur) / steps;
        QPainterPath ring;
        ring.addRoundedRect(body.adjusted(-grow, -grow, grow, grow), m_cornerRadius + grow, m_cornerRadius + grow);
        color.setAlphaF(1.0 / (steps + 1));
        painter.fillPath(ring, color);
    }
}
