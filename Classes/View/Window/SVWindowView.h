// The main window's background: opaque light grey with rounded corners. It holds the window's content
// view.
#pragma once

#include <QWidget>

class SVWindowView : public QWidget {
    Q_OBJECT
public:
    static constexpr int cornerRadius = 8;
    static QColor backgroundColor() { return QColor(232, 232, 232); }

    explicit SVWindowView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
