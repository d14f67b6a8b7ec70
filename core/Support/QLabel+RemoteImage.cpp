#include "Support/QLabel+RemoteImage.h"

#include "Support/RemoteImageLoader.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPixmap>
#include <QPointer>

namespace penwick {

void loadImage(QLabel* view, const QString& urlString, const XImage& placeholder)
{
    if (!view)
        return;
    view->setPixmap(placeholder.isNull() ? QPixmap() : QPixmap::fromImage(placeholder));
    const QPointer<QLabel> guard(view);
    RemoteImageLoader::sharedInstance().getImage(urlString, [guard](const XImage& image) {
        // May run on the loader's thread or, for a cached image, right here: either way the
        // view changes on a later turn of the main loop.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, image] {
                if (guard)
                    guard->setPixmap(QPixmap::fromImage(image));
            },
            Qt::QueuedConnection);
    });
}

} // namespace penwick
