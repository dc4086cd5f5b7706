#pragma once
#include <string>

namespace sample {
// The n-th advertisement picture (1..3): a 490 x 240 PNG, made once at start.
const std::string& AdPicture(int n);
}
