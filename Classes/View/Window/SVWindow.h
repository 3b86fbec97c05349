// The main window: no title bar, rounded corners on a see-through background, resizable from its
// edges and movable by a press anywhere on its background. Its content view fills it.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>

class SVWindowView;

class SVWindow : public QWidget {
    Q_OBJECT
public:
    // Width of the band along the window's edges in which a press resizes instead of moving.
    static constexpr int resizeMargin = 5;
    static QColor backgroundColor() { return Qt::white; }

    explicit SVWindow(QWidget* parent = nullptr);

    // The window can take keyboard focus and be the application's active window.
    bool canBecomeKeyWindow() const { return true; }
    bool canBecomeMainWindow() const { return true; }

    // Whether a press on the background drags the window (off until the application turns it on).
    bool isMovableByWindowBackground() const { return m_movableByBackground; }
    void setMovableByWindowBackground(bool movable) { m_movableByBackground = movable; }

    // The background view, which holds the content view.
    SVWindowView* windowView() const { return m_windowView; }
    // The view shown in the window, such as the main controller's view. The window takes ownership
    // and deletes the previous content view.
    QWidget* contentView() const { return m_contentView; }
    void setContentView(QWidget* view);

    // Maximizes the window, or restores the size it had before, as a double-click on a title bar does.
    void toggleMaximized();

    // Brings the window to the front, restored if minimized, as the active window.
    void makeKeyAndOrderFront() { bringToFront(this); }
    static void bringToFront(QWidget* window);

    // The edges a press at `pos` resizes, for a window of `size`: those within `margin` of it.
    static Qt::Edges resizeEdgesAt(QPoint pos, QSize size, int margin = resizeMargin);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void updateCursor(QPoint pos);

    SVWindowView* m_windowView = nullptr;
    QPointer<QWidget> m_contentView;
    bool m_movableByBackground = false;
    // A drag moved by the window itself, where the platform cannot move windows (offscreen, some
    // X11 window managers): the pointer's offset from the window's top left at the press.
    bool m_draggingByHand = false;
    QPoint m_dragOffset;
};
