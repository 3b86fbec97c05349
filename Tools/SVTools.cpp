#include "Tools/SVTools.h"

#include "Classes/View/ModeWindow/ModeWindow.h"
#include "Tools/SVButton.h"
#include "Tools/SVLocalized.h"
#include "Tools/SVTipPresenter.h"

#include "Tools/ViewInit.h"

#include <QLabel>

void SVTools::showTipWithMessage(const QString& text)
{
    ModeWindow window;
    window.message()->setText(text);
    window.comfirm()->setTitle(SVLocalized::text(QStringLiteral("confirm")));
    SVTipPresenter::current().present(window);
}

QLabel* SVTools::returnWebLabel(QLabel* label, const QString& title, const QString& address, QWidget* superView)
{
    if (!label)
        label = labelWithString(title, superView);
    QFont font = label->font();
    font.setPixelSize(webLabelFontSize);
    label->setFont(font);
    label->setTextFormat(Qt::RichText);
    label->setText(QStringLiteral("<a href=\"%1\" style=\"color:#ff0000; text-decoration:none;\">%2</a>")
                       .arg(address.toHtmlEscaped(), title.toHtmlEscaped()));
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    label->setOpenExternalLinks(true);
    label->setCursor(Qt::OpenHandCursor);
    return label;
}
