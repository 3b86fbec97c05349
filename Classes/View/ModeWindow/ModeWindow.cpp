#include "Classes/View/ModeWindow/ModeWindow.h"

#include "Tools/SVAccessibility.h"
#include "Tools/SVButton.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QtDebug>

#include <algorithm>

namespace {
constexpr int panelMargin = 6;  // room for the panel's soft edge inside the transparent window
constexpr qreal panelRadius = 10;
constexpr QSize usualSize(320, 160);
}  // namespace

ModeWindow::ModeWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(usualSize);

    auto* message = new QLabel(this);
    message->setAlignment(Qt::AlignCenter);
    message->setWordWrap(true);
    QFont font = QApplication::font();
    font.setPixelSize(15);
    message->setFont(font);
    QPalette palette = message->palette();
    palette.setColor(QPalette::WindowText, SVButton::darkText());
    message->setPalette(palette);
    m_message = message;

    auto* comfirm = new SVButton(this);
    comfirm->setBackgroundColor(QColor(232, 232, 232));
    comfirm->setCornerRadius(5);
    comfirm->setFixedSize(100, 28);
    comfirm->setTarget(this, &ModeWindow::okAction);
    m_comfirm = comfirm;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(panelMargin + 16, panelMargin + 16, panelMargin + 16, panelMargin + 16);
    layout->addWidget(message, 1);
    layout->addWidget(comfirm, 0, Qt::AlignHCenter);
}

void ModeWindow::fitToMessage()
{
    const QMargins margins = layout()->contentsMargins();
    const int textHeight = m_message->heightForWidth(usualSize.width() - margins.left() - margins.right());
    const int height = margins.top() + textHeight + std::max(0, layout()->spacing()) + m_comfirm->height() + margins.bottom();
    setFixedSize(usualSize.width(), std::max(usualSize.height(), height));
}

ModeWindow::~ModeWindow()
{
    qInfo("释放 window");  // part of the program's log: the tip window is released
}

void ModeWindow::showEvent(QShowEvent* event)
{
    // Without a compositor the transparent corners would show black; the mask cuts them away there,
    // and with one it changes nothing visible but the faint outer shadow.
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()).adjusted(panelMargin - 1, panelMargin - 1, 1 - panelMargin, 1 - panelMargin),
        panelRadius + 1, panelRadius + 1);
    setMask(QRegion(outline.toFillPolygon().toPolygon()));
    QDialog::showEvent(event);
    QAccessibleEvent alert(this, QAccessible::Alert);
    announceAccessibilityEvent(alert);
    if (m_comfirm)
        m_comfirm->setFocus(Qt::ActiveWindowFocusReason);
}

void ModeWindow::okAction(QObject*)
{
    done(QDialog::Accepted);
}

void ModeWindow::cancelAction(QObject*)
{
    done(QDialog::Rejected);
}

void ModeWindow::reject()
{
    cancelAction();
}

void ModeWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        okAction();  // the confirm button is the default button
        return;
    }
    QDialog::keyPressEvent(event);
}

void ModeWindow::closeEvent(QCloseEvent* event)
{
    cancelAction();
    event->ignore();
}

void ModeWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF panel = QRectF(rect()).adjusted(panelMargin, panelMargin, -panelMargin, -panelMargin);
    for (int ring = panelMargin; ring > 0; --ring) {  // a soft shadow fading outwards
        QPainterPath edge;
        edge.addRoundedRect(panel.adjusted(-ring, -ring + 2, ring, ring + 2), panelRadius + ring, panelRadius + ring);
        painter.fillPath(edge, QColor(0, 0, 0, 10));
    }
    QPainterPath shape;
    shape.addRoundedRect(panel, panelRadius, panelRadius);
    painter.fillPath(shape, Qt::white);
    painter.setPen(QPen(SVButton::buttonOrange(), 2));
    painter.drawPath(shape);
}
