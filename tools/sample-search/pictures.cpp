#include "pictures.h"

#include <QByteArray>

#include <array>
#include <cstdint>

namespace sample {
namespace {

uint32_t crc32(const std::string& data) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : data) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void put32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

void chunk(std::string& png, const char* type, const std::string& data) {
    put32(png, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    png += body;
    put32(png, crc32(body));
}

std::string makePng(int n) {
    const int width = 490, height = 240;
    static const int base[3][3] = {{230, 70, 40}, {40, 140, 220}, {60, 170, 90}};
    std::string raw;
    raw.reserve(static_cast<size_t>((width * 3 + 1) * height));
    for (int y = 0; y < height; ++y) {
        raw += '\0'; // no filter
        for (int x = 0; x < width; ++x) {
            bool stripe = ((x / 35) + (y / 40)) % 2 == 0;
            for (int c = 0; c < 3; ++c) {
                int v = base[n - 1][c] + (stripe ? 25 : -25) + (x * 30) / width;
                raw += static_cast<char>(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    }
    // qCompress gives a zlib stream behind a 4-byte length, which is what IDAT holds.
    QByteArray z = qCompress(QByteArray(raw.data(), static_cast<qsizetype>(raw.size())), 9);
    std::string idat(z.constData() + 4, static_cast<size_t>(z.size() - 4));

    std::string png = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    put32(ihdr, width);
    put32(ihdr, height);
    ihdr += std::string("\x08\x02\x00\x00\x00", 5); // 8-bit RGB, deflate, no filter, no interlace
    chunk(png, "IHDR", ihdr);
    chunk(png, "IDAT", idat);
    chunk(png, "IEND", "");
    return png;
}

} // namespace

const std::string& AdPicture(int n) {
    static const std::array<std::string, 3> pictures = {makePng(1), makePng(2), makePng(3)};
    return pictures[static_cast<size_t>(n < 1 ? 0 : n > 3 ? 2 : n - 1)];
}

} // namespace sample
