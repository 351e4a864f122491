#include "platform/picturesize.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextObjectInterface>
#include <QUrl>

namespace pennaro {

namespace {

// Stands in for Qt's own picture handler, which draws a picture at whatever
// size its format gives.
class LimitedPictureHandler : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    using QObject::QObject;

    QSizeF intrinsicSize(QTextDocument *doc, int, const QTextFormat &format) override {
        const QTextImageFormat image = format.toImageFormat();
        QSizeF size(image.width(), image.height());
        const bool hasWidth = image.hasProperty(QTextFormat::ImageWidth);
        const bool hasHeight = image.hasProperty(QTextFormat::ImageHeight);
        if (!hasWidth || !hasHeight) {
            const QSizeF natural = naturalSize(doc, image);
            if (!hasWidth && !hasHeight)
                size = natural;
            else if (!hasWidth)
                size.setWidth(natural.height() > 0 ? size.height() * natural.width() / natural.height() : 0);
            else
                size.setHeight(natural.width() > 0 ? size.width() * natural.height() / natural.width() : 0);
        }
        const double longest = qMax(size.width(), size.height());
        if (longest > kMaxPictureUnits)
            size *= kMaxPictureUnits / longest;
        // A printer's layout measures in the printer's pixels.
        if (QPaintDevice *device = doc->documentLayout()->paintDevice())
            size *= device->logicalDpiY() / 96.0;
        return size;
    }

    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *doc, int,
                    const QTextFormat &format) override {
        const QVariant picture = pictureOf(doc, format.toImageFormat());
        if (picture.userType() == QMetaType::QPixmap) {
            const QPixmap pixmap = picture.value<QPixmap>();
            painter->drawPixmap(rect, pixmap, pixmap.rect());
        } else if (picture.userType() == QMetaType::QImage) {
            const QImage image = picture.value<QImage>();
            painter->drawImage(rect, image, image.rect());
        }
    }

private:
    static QVariant pictureOf(QTextDocument *doc, const QTextImageFormat &format) {
        return doc->resource(QTextDocument::ImageResource, QUrl(format.name()));
    }

    static QSizeF naturalSize(QTextDocument *doc, const QTextImageFormat &format) {
        const QVariant picture = pictureOf(doc, format);
        if (picture.userType() == QMetaType::QPixmap)
            return picture.value<QPixmap>().deviceIndependentSize();
        if (picture.userType() == QMetaType::QImage)
            return picture.value<QImage>().deviceIndependentSize();
        return {};
    }
};

}  // namespace

void limitPictureSize(QTextDocument *doc) {
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    layout->registerHandler(QTextFormat::ImageObject, new LimitedPictureHandler(layout));
}

}  // namespace pennaro

#include "picturesize.moc"
