#include "platform/rtf/picturedecode.h"

#include <QBuffer>
#include <QImageReader>
#include <QLoggingCategory>
#include <QMutex>

#include <png.h>

#include <cstring>
#include <vector>

namespace pennaro::rtf {

namespace {

// Qt's image plugins report damaged data through the "qt.gui.imageio"
// logging categories; while a picture decodes, those are silenced. The
// filter is the process's, so decoders on two threads take turns.
class QuietImageIo {
public:
    QuietImageIo() : lock_(&mutex()) { previous() = QLoggingCategory::installFilter(&filter); }
    ~QuietImageIo() { QLoggingCategory::installFilter(previous()); }
    QuietImageIo(const QuietImageIo &) = delete;
    QuietImageIo &operator=(const QuietImageIo &) = delete;

private:
    static QRecursiveMutex &mutex() {
        static QRecursiveMutex m;
        return m;
    }
    static QLoggingCategory::CategoryFilter &previous() {
        static QLoggingCategory::CategoryFilter f = nullptr;
        return f;
    }
    static void filter(QLoggingCategory *category) {
        if (previous())
            previous()(category);
        if (std::strncmp(category->categoryName(), "qt.gui.imageio", 14) == 0) {
            for (QtMsgType type : {QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg})
                category->setEnabled(type, false);
        }
    }

    QMutexLocker<QRecursiveMutex> lock_;
};

// libpng prints its errors on stderr itself when the caller gives it no
// error handler, as Qt's PNG plugin does. So a PNG is read once here first,
// with handlers that say nothing, and only one that reads whole goes to Qt,
// which then reads it the same way without an error.
struct PngInput {
    const QByteArray *bytes;
    qsizetype offset = 0;
};

extern "C" void pngReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto *input = static_cast<PngInput *>(png_get_io_ptr(png));
    if (qsizetype(length) > input->bytes->size() - input->offset)
        png_error(png, "truncated");
    std::memcpy(out, input->bytes->constData() + input->offset, length);
    input->offset += qsizetype(length);
}

extern "C" void pngSilentError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
extern "C" void pngSilentWarning(png_structp, png_const_charp) {}

// Reads every row into *row, one after another. Nothing here may need a
// destructor: an error leaves through longjmp.
bool readPngRows(png_structp png, png_infop info, qint64 maxPixels, std::vector<png_byte> *row) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (qint64(width) * qint64(height) > maxPixels)
        return false;
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    row->resize(png_get_rowbytes(png, info));
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, row->data(), nullptr);
    }
    png_read_end(png, nullptr);
    return true;
}

bool pngReadsWhole(const QByteArray &bytes, qint64 maxPixels) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngSilentError, pngSilentWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    bool whole = false;
    if (info) {
#if defined(PNG_SET_OPTION_SUPPORTED) && defined(PNG_MAXIMUM_INFLATE_WINDOW)
        // As Qt reads it, so that both judge the same pictures readable.
        png_set_option(png, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
#endif
        PngInput input{&bytes};
        png_set_read_fn(png, &input, pngReadFromMemory);
        std::vector<png_byte> row;
        whole = readPngRows(png, info, maxPixels, &row);
    }
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return whole;
}

}  // namespace

QImage decodePicture(const QByteArray &bytes, PictureFormat format, qint64 maxPixels) {
    if (format == PictureFormat::Png && !pngReadsWhole(bytes, maxPixels))
        return {};
    QuietImageIo quiet;
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format == PictureFormat::Png ? "png" : "jpeg");
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > maxPixels)
        return {};
    QImage image;
    if (!reader.read(&image))
        return {};
    return image;
}

}  // namespace pennaro::rtf
