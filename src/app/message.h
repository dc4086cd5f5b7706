#pragma once
#include <string>

namespace tk {

// The icons a message box can carry. The domain code names the message and its icon; the UI shows it.
enum class MessageIcon { None, Information, Warning, Error };

// A fixed message as the domain code hands it to a window: GBK text, icon, caption (empty = "信息：").
struct Message {
    std::string text;
    MessageIcon icon = MessageIcon::None;
    std::string caption;
};

} // namespace tk
