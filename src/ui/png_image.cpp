#include "ui/png_image.h"

#include <QFile>
#include <QHash>
#include <QtEndian>

#include <png.h>

#include <cstring>

static void InitPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace tk {

QImage DecodePng(std::string_view bytes) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return {};
    // QImage::Format_ARGB32 keeps each pixel as one 32-bit word 0xAARRGGBB, so the byte order follows the CPU.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png.format = PNG_FORMAT_BGRA;
#else
    png.format = PNG_FORMAT_ARGB;
#endif
    QImage image(static_cast<int>(png.width), static_cast<int>(png.height), QImage::Format_ARGB32);
    if (image.isNull()) {
        png_image_free(&png);
        return {};
    }
    const auto stride = static_cast<png_int_32>(image.bytesPerLine());
    if (!png_image_finish_read(&png, nullptr, image.bits(), stride, nullptr)) {
        png_image_free(&png);
        return {};
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage Picture(const QString& name) {
    static QHash<QString, QImage> cache;
    static const bool initialised = (InitPictureResources(), true);
    (void)initialised;
    auto it = cache.find(name);
    if (it != cache.end()) return *it;
    QImage image;
    QFile file(QStringLiteral(":/pictures/") + name);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray data = file.readAll();
        image = DecodePng(std::string_view(data.constData(), static_cast<size_t>(data.size())));
    }
    cache.insert(name, image);
    return image;
}

} // namespace tk
