#include "Tools/SVTipPresenter.h"

#include "Classes/View/ModeWindow/ModeWindow.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
SVModalTipPresenter& modalPresenter()
{
    static SVModalTipPresenter presenter;
    return presenter;
}

SVTipPresenter*& installedPresenter()
{
    static SVTipPresenter* presenter = nullptr;
    return presenter;
}
}  // namespace

SVTipPresenter& SVTipPresenter::current()
{
    SVTipPresenter* presenter = installedPresenter();
    return presenter ? *presenter : modalPresenter();
}

SVTipPresenter* SVTipPresenter::install(SVTipPresenter* presenter)
{
    SVTipPresenter* previous = &current();
    installedPresenter() = presenter;
    return previous;
}

void SVModalTipPresenter::present(ModeWindow& window)
{
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.exec();
}
