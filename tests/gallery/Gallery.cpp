#include "Gallery.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QPainter>
#include <QThread>
#include <QWidget>

namespace Gallery {

extern QString outputDir;

namespace {
class Backdrop : public QWidget {
public:
    explicit Backdrop(QColor color)
        : m_color(color)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), m_color); }

private:
    QColor m_color;
};
}  // namespace

QWidget* makeBackdrop(int width, int height, QColor color)
{
    auto* backdrop = new Backdrop(color);
    backdrop->resize(width, height);
    return backdrop;
}

void save(QWidget* widget, const QString& name)
{
    widget->show();
    // Animations (the switch's 0.4 s refresh) and posted ticks finish within this bound.
    QDeadlineTimer deadline(700);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    QImage image(widget->size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    widget->render(&image);
    const QString path = outputDir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!image.save(path))
        qWarning("could not write %s", qPrintable(path));
}

}  // namespace Gallery
