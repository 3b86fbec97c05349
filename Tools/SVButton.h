// Every push button of the window. Its title is drawn in a colour chosen by its tag and hover state,
// it reacts to the pointer when asked to (allowTouch, imageButton), and a click is reported as
// actionSent(this) so that the controller can tell buttons apart by their tags. It is reached with Tab
// (a click leaves the focus where it was); focused, Space or Enter clicks it, and a ring shows the focus
// when the keyboard brought it there.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QIcon>

class SVButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int darkSchemeTag = 3000;    // the open/close button: dark text on white
    static constexpr int hoverBorderTag = 4001;   // the motor button: a border while hovered
    static constexpr int hoverBorderWidth = 3;
    static constexpr int titleFontSize = 13;

    static QColor darkText() { return QColor(28, 28, 28); }
    static QColor white() { return QColor(255, 255, 255); }
    static QColor hoverOrange() { return QColor(255, 177, 70); }
    static QColor buttonOrange() { return QColor(255, 165, 0); }
    static QColor labelGrey() { return QColor(64, 64, 64); }

    // The title colour rule: dark for the dark-scheme tag, white for others; hover swaps them;
    // the localized "confirm" title is always dark.
    static QColor titleColorFor(int tag, bool touch, const QString& title);

    explicit SVButton(QWidget* parent = nullptr);

    QString title() const { return text(); }
    void setTitle(const QString& title);
    // The text the button shows now (its accessible name when the window gives it none).
    virtual QString shownTitle() const { return text(); }
    QColor titleColor() const { return m_titleColor; }

    bool allowTouch() const { return m_allowTouch; }
    void setAllowTouch(bool allowTouch) { m_allowTouch = allowTouch; }
    bool imageButton() const { return m_imageButton; }
    void setImageButton(bool imageButton) { m_imageButton = imageButton; }
    bool touch() const { return m_touch; }

    QIcon image() const { return m_image; }
    void setImage(const QIcon& image);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);
    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);
    int borderWidth() const { return m_borderWidth; }
    qreal opacity() const { return m_opacity; }

    // Connects this button's action to a member function of target taking the sender.
    template <class Target, class Action>
    void setTarget(Target* target, Action action)
    {
        connect(this, &SVButton::actionSent, target, action);
    }

    QSize sizeHint() const override;

signals:
    void actionSent(QObject* sender);
    void imageChanged();

protected:
    bool event(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Draws what sits on the background: the image scaled to fit, then the title centred.
    virtual void paintContent(QPainter& painter);
    static QFont systemFont(int pixelSize);

private:
    void pointerCrossed(bool inside);

    QColor m_titleColor = white();
    QColor m_backgroundColor = Qt::transparent;
    QIcon m_image;
    qreal m_cornerRadius = 0;
    qreal m_opacity = 1.0;
    int m_borderWidth = 0;
    bool m_allowTouch = false;
    bool m_imageButton = false;
    bool m_touch = false;
    bool m_focusRing = false;  // the focus came by the keyboard
};
