#pragma once
#include <QImage>
#include <QString>
#include <string_view>

namespace tk {

// Decodes PNG bytes into a 32-bit premultiplied image; a null image when the bytes are not a PNG.
QImage DecodePng(std::string_view bytes);

// One of the client's own pictures by file name ("logo.png"), from the embedded resources.
// Decoded once and kept; a null image when there is no such picture.
QImage Picture(const QString& name);

} // namespace tk
