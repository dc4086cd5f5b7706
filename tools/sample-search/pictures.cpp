#include "pictures.h"

#include <QFile>

#include <array>

namespace sample {
namespace {

std::string load(int n) {
    QFile file(QStringLiteral(":/ads/%1.png").arg(n));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

} // namespace

const std::string& AdPicture(int n) {
    static const std::array<std::string, 3> pictures = {load(1), load(2), load(3)};
    return pictures[static_cast<size_t>(n < 1 ? 0 : n > 3 ? 2 : n - 1)];
}

} // namespace sample
