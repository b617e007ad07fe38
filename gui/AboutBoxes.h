// The plug-in's About boxes: modeless windows titled "About" with the line
// "Kestrava Sonalve" and an "OK" button that closes the box. Each open()
// adds one more box; a box outlives the editor that opened it but not the
// code that serves it, so the last effect to go closes them all.
//
// User-interface thread only.
#pragma once

#include <cstddef>

namespace kestrava::gui {

class AboutBoxes {
public:
    virtual ~AboutBoxes() = default;
    virtual void open() = 0;
    virtual void closeAll() = 0;
    virtual std::size_t openCount() = 0;
};

// The running platform's About boxes (dialog resource 105 on Windows).
AboutBoxes& nativeAboutBoxes();

}  // namespace kestrava::gui
