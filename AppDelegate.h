// The application's delegate: installs the main window and decides the application's lifecycle.
#pragma once

#include <QObject>
#include <QPointer>

#include <QWidget>

class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    QWidget* window() const { return m_window; }
    void applicationDidFinishLaunching();

private:
    QPointer<QWidget> m_window;
};
