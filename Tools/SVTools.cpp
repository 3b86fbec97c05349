#include "Tools/SVTools.h"

#include "Classes/View/ModeWindow/ModeWindow.h"
#include "Tools/SVButton.h"
#include "Tools/SVLocalized.h"
#include "Tools/SVTipPresenter.h"

#include <QLabel>

void SVTools::showTipWithMessage(const QString& text)
{
    ModeWindow window;
    window.message()->setText(text);
    window.comfirm()->setTitle(SVLocalized::text(QStringLiteral("confirm")));
    SVTipPresenter::current().present(window);
}
