#include "editor/SDEditor.h"

namespace kestrava {

SDEditor::SDEditor(AudioEffect* effect) : AEffEditor(effect), rect_{0, 0, kHeight, kWidth} {}

bool SDEditor::getRect(vst2::ERect** rect)
{
    *rect = &rect_;
    return true;
}

}  // namespace kestrava
