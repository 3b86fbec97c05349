#include "Classes/View/Window/SVWindow.h"

#include "Tools/SVRoundedFill.h"

#include "Classes/View/Window/SVWindowView.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QWindow>

SVWindow::SVWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)
{
    // See-through outside the rounded corners; the window paints its own white shape.
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setMouseTracking(true); // to show the resize cursor along the edges

    m_windowView = new SVWindowView(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_windowView);

    auto* viewLayout = new QVBoxLayout(m_windowView);
    viewLayout->setContentsMargins(0, 0, 0, 0);
    viewLayout->setSpacing(0);
}

void SVWindow::setContentView(QWidget* view)
{
    if (view == m_contentView)
        return;
    delete m_contentView;
    m_contentView = view;
    if (view)
        m_windowView->layout()->addWidget(view);
}

void SVWindow::toggleMaximized()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void SVWindow::bringToFront(QWidget* window)
{
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

Qt::Edges SVWindow::resizeEdgesAt(QPoint pos, QSize size, int margin)
{
    Qt::Edges edges;
    if (pos.x() < margin)
        edges |= Qt::LeftEdge;
    if (pos.x() >= size.width() - margin)
        edges |= Qt::RightEdge;
    if (pos.y() < margin)
        edges |= Qt::TopEdge;
    if (pos.y() >= size.height() - margin)
        edges |= Qt::BottomEdge;
    return edges;
}

void SVWindow::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    SVRoundedFill::fill(painter, rect(), SVWindowView::cornerRadius, backgroundColor(), event->region());
}

// Presses that no control takes reach the window: along an edge they resize it, elsewhere they move it.
void SVWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !windowHandle()) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint pos = mapFromGlobal(event->globalPosition().toPoint());
    const Qt::Edges edges = resizeEdgesAt(pos, size());
    if (edges && !isMaximized() && !isFullScreen()) {
        windowHandle()->startSystemResize(edges);
    } else if (m_movableByBackground && !windowHandle()->startSystemMove()) {
        m_draggingByHand = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    event->accept();
}

void SVWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_draggingByHand && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    updateCursor(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void SVWindow::mouseReleaseEvent(QMouseEvent* event)
{
    m_draggingByHand = false;
    QWidget::mouseReleaseEvent(event);
}

void SVWindow::updateCursor(QPoint pos)
{
    const Qt::Edges edges = resizeEdgesAt(pos, size());
    if ((edges & Qt::LeftEdge && edges & Qt::TopEdge) || (edges & Qt::RightEdge && edges & Qt::BottomEdge))
        setCursor(Qt::SizeFDiagCursor);
    else if ((edges & Qt::RightEdge && edges & Qt::TopEdge) || (edges & Qt::LeftEdge && edges & Qt::BottomEdge))
        setCursor(Qt::SizeBDiagCursor);
    else if (edges & (Qt::LeftEdge | Qt::RightEdge))
        setCursor(Qt::SizeHorCursor);
    else if (edges & (Qt::TopEdge | Qt::BottomEdge))
        setCursor(Qt::SizeVerCursor);
    else
        unsetCursor();
}
