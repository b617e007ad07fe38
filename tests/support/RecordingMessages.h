// A Messages backend for tests: remembers every message instead of showing it.
#pragma once

#include "platform/Messages.h"

#include <string>
#include <vector>

namespace kestrava::test {

struct ShownMessage {
    std::string text;
    std::string caption;
    platform::MessageIcon icon;
};

class RecordingMessages : public platform::Messages {
public:
    void show(const std::string& text, const std::string& caption, platform::MessageIcon icon) override
    {
        shown.push_back({text, caption, icon});
    }

    std::vector<ShownMessage> shown;
};

}  // namespace kestrava::test

