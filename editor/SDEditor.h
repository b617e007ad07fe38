// Sonalve's editor object. It exists for the effect's whole life and owns
// the 250 by 123 pixel rectangle that hosts ask for before opening it. The
// panel itself (switches, file label, buttons) is not built yet: opening
// only records the host's parent window, so hosts that open, idle and close
// the editor get a blank area of the right size and nothing else happens.
//
// Called on the host's user-interface thread only.
#pragma once

#include "plugin/AEffEditor.h"

namespace kestrava {

class SDEditor final : public AEffEditor {
public:
    static constexpr vst2::VstInt16 kWidth = 250;
    static constexpr vst2::VstInt16 kHeight = 123;

    explicit SDEditor(AudioEffect* effect);

    bool getRect(vst2::ERect** rect) override;

private:
    vst2::ERect rect_;
};

}  // namespace kestrava
