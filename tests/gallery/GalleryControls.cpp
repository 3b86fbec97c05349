// Buttons, labels, panels, entry fields, read-outs, the progress bar and the message box, with the
// hover states of the buttons.
#include "Gallery.h"

#include "Classes/View/Background/SVBackGroundView.h"
#include "Classes/View/EditBox/BRNumberField.h"
#include "Classes/View/ModeWindow/ModeWindow.h"
#include "Classes/View/Progress/SVProgressView.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "Classes/View/ToolView/SVToolView.h"
#include "Tools/SVImageTitleButton.h"
#include "Tools/SVLayout.h"
#include "Tools/SVTag.h"
#include "Tools/ViewInit.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QTest>

namespace Gallery {

namespace {

using L = SVLayout;

// A backdrop shown and active at once, so that the pointer can hover its buttons.
QWidget* makeActiveBackdrop(int width, int height, QColor color = QColor(232, 232, 232))
{
    QCursor::setPos(2000, 2000);  // no widget of the new picture starts under the pointer
    QWidget* backdrop = makeBackdrop(width, height, color);
    backdrop->show();
    backdrop->activateWindow();
    if (!QTest::qWaitForWindowActive(backdrop))
        qWarning("gallery window never became active: hover states will be missing");
    return backdrop;
}

// Small stand-ins for the application's named images.
QIcon drawnIcon(const QString& kind)
{
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (kind == "read") {
        painter.drawEllipse(QRectF(8, 8, 32, 32));
        painter.drawLine(QPointF(24, 14), QPointF(24, 30));
        painter.drawLine(QPointF(17, 24), QPointF(24, 31));
        painter.drawLine(QPointF(31, 24), QPointF(24, 31));
    } else if (kind == "set") {
        painter.drawPolyline(QPolygonF({ QPointF(10, 25), QPointF(20, 35), QPointF(38, 13) }));
    } else if (kind == "motor") {
        painter.setPen(QPen(QColor(255, 128, 0), 6, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(QRectF(8, 8, 32, 32), 120 * 16, 300 * 16);
        painter.drawLine(QPointF(24, 5), QPointF(24, 22));
    } else {
        painter.drawArc(QRectF(9, 9, 30, 30), 30 * 16, 300 * 16);
        painter.drawLine(QPointF(36, 8), QPointF(37, 17));
        painter.drawLine(QPointF(37, 17), QPointF(28, 16));
    }
    return QIcon(pixmap);
}

void hover(QWidget* widget)
{
    QTest::mouseMove(widget, widget->rect().center());
}

}  // namespace

void renderButtons()
{
    QWidget* bar = makeActiveBackdrop(560, 130, QColor(255, 128, 0));
    const struct {
        QString title;
        int tag;
    } buttons[] = { { "Open", 3000 }, { "Open", 3000 }, { "Parameters", 6002 }, { "Parameters", 6002 }, { "confirm", 0 } };
    int x = 10;
    QList<SVButton*> made;
    for (const auto& spec : buttons) {
        SVButton* button = buttonWithTitle(spec.title, spec.tag, bar);
        button->setGeometry(x, 10, 100, 26);
        button->show();
        made.append(button);
        x += 110;
    }
    made[2]->setBackgroundColor(Qt::transparent);  // the top bar's tabs
    made[3]->setBackgroundColor(Qt::transparent);
    SVButton* disabled = buttonWithTitle("Disabled", 3000, bar);
    disabled->setGeometry(10, 50, 100, 26);
    disabled->setEnabled(false);
    disabled->show();

    auto* motor = new SVButton(bar);
    setTag(motor, 4001);
    motor->setImage(drawnIcon("motor"));
    motor->setBackgroundColor(Qt::white);
    motor->setCornerRadius(20);
    motor->setGeometry(130, 46, 40, 40);
    motor->show();
    auto* motorHovered = new SVButton(bar);
    setTag(motorHovered, 4001);
    motorHovered->setImage(drawnIcon("motor"));
    motorHovered->setBackgroundColor(Qt::white);
    motorHovered->setCornerRadius(20);
    motorHovered->setGeometry(190, 46, 40, 40);
    motorHovered->show();

    QLabel* caption = labelWithString("label grey, system font 13", bar);
    caption->move(260, 56);
    caption->show();

    // Hover: the second open button, the second tab and the second motor button.
    hover(made[1]);
    QTest::mouseMove(bar, QPoint(555, 125));
    hover(made[3]);
    QTest::mouseMove(bar, QPoint(555, 125));
    hover(motorHovered);
    // Leaving the others untouched needs the hovered states kept: re-enter in order and stop on the last.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(made[1], &enter);
    QApplication::sendEvent(made[3], &enter);
    save(bar, "buttons");
    delete bar;
}

void renderImageTitleButtons()
{
    QWidget* page = makeActiveBackdrop(540, 110, Qt::white);
    int x = 10;
    for (const QString key : { "read", "set", "default" }) {
        auto* button = new SVImageTitleButton(key, drawnIcon(key), 5000, page);
        button->setGeometry(x, 10, 160, 36);
        button->show();
        x += 175;
    }
    auto* hovered = new SVImageTitleButton("read", drawnIcon("read"), 5003, page);
    hovered->setGeometry(10, 60, 160, 36);
    hovered->show();
    auto* small = new SVImageTitleButton("set", drawnIcon("set"), 5002, page);
    small->setGeometry(185, 60, 120, 40);
    small->show();
    QTest::mouseMove(page, QPoint(530, 105));  // off every button first, whatever the last picture left
    hover(hovered);
    save(page, "image-title-buttons");
    delete page;
}

// A page panel with the servo-ID group placed as the basic operation page does.
void renderPanels()
{
    QWidget* window = makeActiveBackdrop(520, 330);
    auto* page = new SVBackGroundView(2, window);
    page->show();
    L::place(page).left(L::leftOf(window), 10).right(L::rightOf(window), -10).top(L::topOf(window), -10)
        .bottom(L::bottomOf(window), 10);

    auto* idPanel = new SVToolView(page);
    idPanel->show();
    L::place(idPanel).top(L::topOf(page), -10).left(L::leftOf(page), 10).size(230, 110);
    QLabel* idLabel = labelWithString("ID:", idPanel);
    QFont font = idLabel->font();
    font.setPixelSize(15);
    idLabel->setFont(font);
    idLabel->show();
    L::place(idLabel).frame(20, 30, 30, 15);
    auto* idField = new BRNumberField(QSize(60, 20), idPanel);
    idField->setText("1");
    idField->setMax(253);
    idField->setBackgroundColor(Qt::white);
    idField->setTextColor(QColor(16, 16, 16));
    idField->show();
    L::place(idField).left(L::rightOf(idLabel)).bottom(L::bottomOf(idPanel), 25).size(60, 20);
    QLabel* range = labelWithString("(0~253)", idPanel);
    range->setFont(font);
    range->show();
    L::place(range).centerY(L::centerYOf(idField)).left(L::rightOf(idField), 10);

    auto* statePanel = new SVToolView(page);
    statePanel->lableTitle()->setText("Real-time status");
    statePanel->show();
    L::place(statePanel).left(L::rightOf(idPanel), 10).right(L::rightOf(page), -10).top(L::topOf(idPanel))
        .bottom(L::bottomOf(page), 10);
    const struct {
        QString caption;
        QString value;
        QColor color;
    } readOuts[] = { { "Voltage", "0.0V", QColor(249, 144, 0) }, { "Position", "0", QColor(254, 210, 46) },
        { "Temperature", "0℃", QColor(187, 187, 187) } };
    QWidget* above = nullptr;
    for (const auto& spec : readOuts) {
        QLabel* caption = labelWithString(spec.caption, statePanel);
        caption->show();
        if (above)
            L::place(caption).left(L::leftOf(statePanel), 20).top(L::bottomOf(above), -20);
        else
            L::place(caption).left(L::leftOf(statePanel), 20).top(L::topOf(statePanel), -60);
        auto* pill = new SVBaseTextField(spec.value, statePanel);
        pill->setBackgroundColor(spec.color);
        pill->setCornerRadius(11);
        pill->show();
        L::place(pill).left(L::leftOf(statePanel), 120).centerY(L::centerYOf(caption)).size(70, 22);
        above = caption;
    }

    auto* fieldPanel = new SVToolView(page);
    fieldPanel->lableTitle()->setText("Fields");
    fieldPanel->show();
    L::place(fieldPanel).left(L::leftOf(idPanel)).width(L::widthOf(idPanel)).top(L::bottomOf(idPanel), -10)
        .bottom(L::bottomOf(page), 10);
    auto* grey = new BRNumberField(QSize(60, 20), fieldPanel);
    grey->setText("1000");
    grey->show();
    L::place(grey).frame(20, 60, 60, 20);
    auto* yellow = new BRNumberField(QSize(50, 20), fieldPanel);
    yellow->setText("3000");
    yellow->setBackgroundColor(QColor(254, 210, 46));
    yellow->setTextColor(QColor(87, 87, 87));
    yellow->show();
    L::place(yellow).left(L::rightOf(grey), 20).centerY(L::centerYOf(grey)).size(50, 20);
    auto* plain = new SVBackGroundView(1, fieldPanel);
    plain->show();
    L::place(plain).frame(20, 15, 60, 30);
    auto* other = new SVBackGroundView(0, fieldPanel);
    other->show();
    L::place(other).frame(100, 15, 60, 30);
    save(window, "panels");
    delete window;
}

void renderProgress()
{
    QWidget* backdrop = makeActiveBackdrop(190, 130, Qt::white);
    const double values[] = { 0.1, 80.1, 161.1 };
    int y = 10;
    for (double value : values) {
        auto* progress = new SVProgressView(backdrop);
        progress->setGeometry(15, y, 161, 30);
        progress->setScheduler([](std::chrono::microseconds, std::function<void()>) { });
        progress->setPro(value);
        if (value > 161)
            progress->showProgress();  // the completing step switches the title
        y += 40;
    }
    save(backdrop, "progress");
    delete backdrop;
}

void renderMessageBox()
{
    // The box is shown inside a grey backdrop so that its transparent corners can be seen.
    QWidget* backdrop = makeActiveBackdrop(360, 200, QColor(120, 120, 120));
    auto* window = new ModeWindow;
    window->setParent(backdrop, Qt::Widget);
    window->message()->setText("Please open the serial port first");
    window->comfirm()->setTitle("confirm");
    window->move(20, 20);
    window->show();
    save(backdrop, "message-box");
    delete backdrop;
}

}  // namespace Gallery
