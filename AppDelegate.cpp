#include "AppDelegate.h"

#include "Classes/View/Window/SVWindowView.h"

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent)
{
}

AppDelegate::~AppDelegate()
{
    delete m_window;
}

void AppDelegate::applicationDidFinishLaunching()
{
    auto* window = new SVWindowView;
    window->setWindowTitle(QStringLiteral("ServoDesk"));
    window->resize(1100, 760);
    window->show();
    m_window = window;
}
