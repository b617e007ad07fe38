// The modal messages the programs show the user: a text, a caption and an
// icon. The core reports through this interface; each program shows the
// messages its own way (a message box, a desktop dialog, standard error) and
// tests record them. Never called from an audio thread.
#pragma once

#include <string>

namespace kestrava::platform {

enum class MessageIcon { Error, Information };

class Messages {
public:
    virtual ~Messages() = default;
    virtual void show(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
};

// A failed system call or a damaged file: caption "Error", error icon.
inline void showError(Messages& messages, const std::string& text)
{
    messages.show(text, "Error", MessageIcon::Error);
}

}  // namespace kestrava::platform
