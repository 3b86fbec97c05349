// The orange button with an icon left of a localized title ("read", "set", "default").
#pragma once

#include "Tools/SVButton.h"

#include <QRectF>

class SVImageTitleButton : public SVButton {
    Q_OBJECT
public:
    static constexpr int titleFontSize = 14;

    // Where icon and title go in a button of the given size; boxes in the button's own coordinates
    // with the origin at the lower left, y up. Icon and title form one group, a gap g between them
    // and 3g on each side.
    struct Layout {
        qreal top = 0;
        QRectF icon;
        QRectF title;
    };
    static Layout layoutFor(const QSizeF& size, const QSizeF& titleSize, const QSizeF& imageSize);

    // title is a localization key; the button draws its text in the language in force.
    SVImageTitleButton(const QString& title, const QIcon& image, int tag, QWidget* superView = nullptr);

    template <class Target, class Action>
    SVImageTitleButton(const QString& title, const QIcon& image, Target* target, Action action, int tag,
        QWidget* superView = nullptr)
        : SVImageTitleButton(title, image, tag, superView)
    {
        setTarget(target, action);
    }

    QString myTitle() const { return m_myTitle; }
    void setMyTitle(const QString& key);
    QIcon myImage() const { return m_myImage; }
    void setMyImage(const QIcon& image);
    qreal top() const { return m_top; }
    QString shownTitle() const override;  // the localized text of myTitle

protected:
    void paintContent(QPainter& painter) override;

private:
    QSizeF imageSize() const;

    QString m_myTitle;
    QIcon m_myImage;
    qreal m_top = 4;
};
