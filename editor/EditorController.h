// What Sonalve's panel needs of the effect it shows, whatever plug-in format
// carries it: the two switches' values, a parameter change bracketed by
// begin and end edit, the correction file's path, a refresh signal, and a
// chance for the host to idle while a click holds its thread. Each format's
// entry implements it over its own effect.
//
// User-interface thread only.
#pragma once

#include <string>

namespace kestrava::editor {

enum EditorTag { kInputTag = 17, kAirTag = 18, kLoadTag = 19, kHelpTag = 20, kAboutTag = 21 };

class EditorController {
public:
    virtual ~EditorController() = default;

    // The value of switch kInputTag or kAirTag.
    virtual float parameter(int tag) = 0;
    // A change the user made on the panel (kInputTag, kAirTag, kLoadTag):
    // applied, then reported to the host. kLoadTag runs the file chooser
    // before it returns.
    virtual void changeParameter(int tag, float value) = 0;
    virtual void beginEdit(int tag) = 0;
    virtual void endEdit(int tag) = 0;

    // The correction file in use, "None" for none.
    virtual std::string correctionPath() = 0;
    // True once after the effect changed what the panel shows (program
    // selected, file loaded); the signal is cleared by answering it.
    virtual bool takeRefresh() = 0;
    // Lets the host idle while a click holds its user-interface thread.
    virtual void hostIdle() = 0;
};

}  // namespace kestrava::editor
