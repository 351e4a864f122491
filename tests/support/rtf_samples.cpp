#include "support/rtf_samples.h"

#include <QBuffer>
#include <QImage>

namespace pennaro::testing {

QByteArray pngPicture(int w, int h, QColor fill) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return "{\\pict\\pngblip\\picw" + QByteArray::number(w) + "\\pich" + QByteArray::number(h) + "\\picwgoal" +
           QByteArray::number(w * 15) + "\\pichgoal" + QByteArray::number(h * 15) + " " + png.toHex() + "}";
}

}  // namespace pennaro::testing
