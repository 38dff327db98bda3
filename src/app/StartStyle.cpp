#include "StartStyle.h"

#include "shell/KitBoxPictures.h"

#include <QWidget>

QIcon StartStyle::standardIcon(StandardPixmap which, const QStyleOption *option, const QWidget *widget) const
{
    if (which != SP_ToolBarHorizontalExtensionButton)
        return QProxyStyle::standardIcon(which, option, widget);
    const qreal ratio = widget ? widget->devicePixelRatioF() : 1.0;
    QIcon icon;
    QPixmap chevron = kitbox::picture(QStringLiteral("menu-extension"), QSize(16, 16), ratio);
    if (widget && widget->layoutDirection() == Qt::RightToLeft)
        chevron = chevron.transformed(QTransform().scale(-1, 1));
    icon.addPixmap(chevron);
    return icon;
}
