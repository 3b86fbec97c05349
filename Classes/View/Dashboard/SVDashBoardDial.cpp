#include "Classes/View/Dashboard/SVDashBoardDial.h"

#include "Classes/View/Dashboard/SVDashBoardNeedle.h"
#include "Tools/SVAccessibility.h"

#include <QAccessible>
#include <QLabel>
#include <QPainter>

namespace G = SVDashBoardGeometry;

SVDashBoardDial::SVDashBoardDial(const SVDialStyle& style, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_needle(new SVDashBoardNeedle(style.color, style.hubDiscDiameter, this))
{
    m_needle->setAngle(G::needleAngle(m_style, 0));
    for (const SVDialLabel& place : m_style.labels(size())) {
        auto* label = new QLabel(place.text, this);
        QFont font = label->font();
        font.setPixelSize(place.fontSize);
        label->setFont(font);
        label->setAlignment(place.alignment);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, m_style.color);
        label->setPalette(palette);
        m_labels.append(label);
    }
    placeChildren();
}

void SVDashBoardDial::progress(double value)
{
    if (value == m_value)
        return;
    m_value = value;
    m_needle->setAngle(G::needleAngle(m_style, value));
    QAccessibleValueChangeEvent event(this, value);
    announceAccessibilityEvent(event);
}

double SVDashBoardDial::maximumValue() const
{
    return double(m_style.perTick) * (m_style.scaleNumber - 1) / m_style.degreesPerUnit;
}

float SVDashBoardDial::needleAngle() const
{
    return m_needle->angle();
}

void SVDashBoardDial::resizeEvent(QResizeEvent*)
{
    placeChildren();
}

void SVDashBoardDial::placeChildren()
{
    m_needle->setGeometry(rect());
    const QList<SVDialLabel> places = m_style.labels(size());
    for (qsizetype i = 0; i < m_labels.size(); ++i)
        m_labels[i]->setGeometry(G::flipped(places[i].box, height()).toRect());
}

void SVDashBoardDial::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_face.faceFor(*this, [this](QPainter& facePainter) { drawFace(facePainter); }));
}

void SVDashBoardDial::drawFace(QPainter& painter) const
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF c = G::center(size());
    const double r0 = G::baseRadius(size());
    auto circle = [&](double radius) { return QRectF(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius); };
    // Arc from `from` clockwise by `sweep` degrees. Qt counts positive spans counter-clockwise on screen.
    auto arc = [&](double radius, double from, double sweep, double lineWidth) {
        painter.setPen(QPen(m_style.color, lineWidth, Qt::SolidLine, Qt::FlatCap));
        painter.drawArc(circle(radius), qRound(from * 16), -qRound(sweep * 16));
    };

    painter.setBrush(Qt::NoBrush);
    const double ringRadius = r0 - m_style.ringInset;
    if (m_style.fullRing)
        arc(ringRadius, 0, 360, 4);
    else
        arc(ringRadius, 180, 180, 4);

    painter.setPen(QPen(m_style.color, 1));
    painter.drawEllipse(circle(m_style.hubRingRadius));

    for (int i = 0; i < m_style.scaleNumber; ++i) {
        const double lineWidth = i % m_style.majorEvery == 0 ? 8 : 4;
        arc(r0 - m_style.tickInset, G::tickAngle(m_style, i), m_style.tickArc, lineWidth);
    }
}
