#pragma once
#include <string>

namespace sample {
// The n-th advertisement picture (1..3): a 490 x 240 PNG built into the program (assets/ads/);
// empty only if the build left the resource out.
const std::string& AdPicture(int n);
}
