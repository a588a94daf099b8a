#include "artwork.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

constexpr int Size = 32;

QPixmap render(const QString &resource, qreal ratio)
{
    QPixmap pixmap(QSize(Size, Size) * ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QCursor pointer(const QString &resource, int hotX, int hotY)
{
    // The hot spot is given in logical pixels, as QCursor expects.
    return QCursor(render(resource, qApp->devicePixelRatio()), hotX, hotY);
}

} // namespace

QIcon Artwork::icon()
{
    QIcon icon;
    for (qreal ratio : {1.0, 2.0})
        icon.addPixmap(render(QStringLiteral(":/icon.svg"), ratio));
    return icon;
}

QCursor Artwork::handPointer()
{
    return pointer(QStringLiteral(":/hand.svg"), 12, 1);
}

QCursor Artwork::helpPointer()
{
    return pointer(QStringLiteral(":/helparrow.svg"), 2, 4);
}
