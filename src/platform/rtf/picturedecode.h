// Decoding the PNG and JPEG pictures of a file without a word on the
// console: a damaged picture in a document is the document's business, not
// something to report on stderr.
#pragma once

#include <QByteArray>
#include <QImage>

namespace pennaro::rtf {

enum class PictureFormat { Png, Jpeg };

// The picture, or a null image when the bytes do not decode, or claim more
// than maxPixels pixels (checked before anything is decoded).
QImage decodePicture(const QByteArray &bytes, PictureFormat format, qint64 maxPixels);

}  // namespace pennaro::rtf
