// A Messages backend for the test programs that run without GoogleTest (the
// identity renderers): every message goes to standard error as
// "caption: text", so a failed run says why.
#pragma once

#include "platform/Messages.h"

#include <iostream>
#include <string>

namespace kestrava::test {

class StderrMessages final : public platform::Messages {
public:
    void show(const std::string& text, const std::string& caption, platform::MessageIcon) override
    {
        std::cerr << caption << ": " << text << '\n';
    }
};

}  // namespace kestrava::test
