#include "Classes/View/Dashboard/SVDashBoardTemperatureView.h"

#include "Classes/View/Dashboard/SVDashBoardGeometry.h"
#include "Tools/SVAccessibility.h"

#include <QAccessible>
#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace G = SVDashBoardGeometry;

SVDashBoardTemperatureView::SVDashBoardTemperatureView(QWidget* parent)
    : QWidget(parent)
    , m_image(new QSvgRenderer(this))
{
    if (QFile::exists(imagePath))
        m_image->load(imagePath);
}

void SVDashBoardTemperatureView::setPro(double pro)
{
    if (pro == m_pro)
        return;
    const QRect changed = changedArea(m_pro, pro);
    m_pro = pro;
    update(changed);
    QAccessibleValueChangeEvent event(this, pro);
    announceAccessibilityEvent(event);
}

double SVDashBoardTemperatureView::imageWidth() const
{
    return m_image->isValid() ? m_image->defaultSize().width() : G::temperatureImageWidth;
}

QRect SVDashBoardTemperatureView::changedArea(double from, double to) const
{
    const QRectF change = G::thermometerChange(width(), imageWidth(), from, to);
    return G::flipped(change, height()).toAlignedRect().adjusted(-2, -2, 2, 2);  // anti-aliased edges
}

void SVDashBoardTemperatureView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture.faceFor(*this, [this](QPainter& picturePainter) {
        picturePainter.setRenderHint(QPainter::Antialiasing);
        if (m_image->isValid())
            m_image->render(&picturePainter, QRectF(rect()));
    }));
    painter.setRenderHint(QPainter::Antialiasing);

    const G::ThermometerShapes shapes = G::thermometerShapes(width(), imageWidth(), m_pro);
    const QColor red = QColor::fromRgbF(234 / 255.0f, 85 / 255.0f, 20 / 255.0f, 1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(red);
    if (shapes.column.height() > 0)
        painter.drawRoundedRect(G::flipped(shapes.column, height()), shapes.columnRadius, shapes.columnRadius);
    painter.drawRect(G::flipped(shapes.neck, height()));
}
