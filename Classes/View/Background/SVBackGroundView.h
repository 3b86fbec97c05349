// The white rounded panel behind each page (type 2, with a shadow), or its plain variants.
#pragma once

#include <QPointer>
#include <QWidget>

class SVPanelShadow;

class SVBackGroundView : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal cornerRadius = 7;

    explicit SVBackGroundView(int type = 0, QWidget* parent = nullptr);

    int type() const { return m_type; }
    void setType(int type);
    bool hasShadow() const { return m_type == 2; }
    static QColor backgroundColorFor(int type);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_type = 0;
    QPointer<SVPanelShadow> m_shadow;
};
