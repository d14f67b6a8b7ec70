#pragma once

#include <QByteArray>
#include <QImage>

namespace penwick {

// The image type of remotely loaded images: a QImage with nothing of its own, so that it can
// be decoded off the main thread and turned into a pixmap there.
class XImage : public QImage {
public:
    XImage() = default;
    explicit XImage(const QImage& image)
        : QImage(image)
    {
    }

    // A null XImage when the bytes are no image in a format Qt can read.
    static XImage fromData(const QByteArray& data) { return XImage(QImage::fromData(data)); }
};

} // namespace penwick
