// An animated on/off switch with a sliding knob. A user change (click, drag, keyboard,
// accessibility) sends triggered(this); an assignment from code never does. Every assignment of
// `checked` emits checkedChanged; a changed value is also pushed to the "checked" binding.
#pragma once

#include <QColor>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <functional>

class QPaintDevice;
class QVariantAnimation;

class ITSwitch : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool checked READ checked WRITE setChecked NOTIFY checkedChanged)
public:
    using ValueTransformer = std::function<QVariant(const QVariant&)>;

    static constexpr int animationMs = 400;
    static constexpr double goldenRatio = 1.6180340051651;
    static constexpr double activeKnobRatio = 1.38;

    // Where the knob sits in a switch of the given size: pressed switches have a wider knob.
    static QRectF knobFrame(QSizeF bounds, bool active, bool showsOn);

    explicit ITSwitch(QWidget* parent = nullptr);

    bool checked() const { return m_checked; }
    void setChecked(bool checked);
    // A change made by the user: sets the value and sends the action when it changed.
    void setCheckedByUser(bool checked);

    QColor tintColor() const { return m_tintColor; }
    void setTintColor(const QColor& color);
    QColor disabledBorderColor() const { return m_disabledBorderColor; }
    void setDisabledBorderColor(const QColor& color);

    bool isActive() const { return m_active; }
    bool isDragged() const { return m_dragged; }
    bool isDraggingTowardsOn() const { return m_draggingTowardsOn; }
    bool showsOn() const { return m_dragged ? m_draggingTowardsOn : m_checked; }

    // The "checked" binding: each change of the value is written to `keyPath` of `object`,
    // through the transformer when one is given.
    void bind(const QString& binding, QObject* object, const QByteArray& keyPath, ValueTransformer transformer = {});
    void unbind(const QString& binding);

    // The look as drawn now (moving while animated) and the look it is heading for.
    struct Look {
        QRectF knob;
        QColor trackFill;
        QColor trackBorder;
        qreal opacity = 1;
    };
    Look currentLook() const { return m_look; }
    Look targetLook() const;
    bool isAnimating() const;

signals:
    void checkedChanged(bool checked);
    void triggered(QObject* sender);  // the switch's action

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void paintSwitch(QPaintDevice& device) const;
    void reloadLayer();
    void reloadLayerSize();
    void applyAnimationStep(qreal progress);

    bool m_checked = false;
    bool m_active = false;
    bool m_dragged = false;
    bool m_draggingTowardsOn = false;
    QColor m_tintColor = QColor::fromRgbF(0.27f, 0.86f, 0.36f, 1.0f);
    QColor m_disabledBorderColor = QColor::fromRgbF(0, 0, 0, 0.2f);

    QPointer<QObject> m_boundObject;
    QByteArray m_boundKeyPath;
    ValueTransformer m_boundTransformer;

    Look m_look;
    Look m_animationStart;
    Look m_animationEnd;
    QVariantAnimation* m_animation;
};
