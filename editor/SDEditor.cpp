#include "editor/SDEditor.h"

#include "gui/CBitmap.h"
#include "gui/COnOffButton.h"
#include "gui/CTextLabel.h"

#include <filesystem>
#include <memory>

namespace kestrava::editor {

using gui::CBitmap;
using gui::COnOffButton;
using gui::CRect;
using gui::loadBitmapResource;

namespace {

constexpr CRect kInputRect{88, 15, 162, 29};
constexpr CRect kAirRect{88, 38, 162, 52};
constexpr CRect kLoadRect{11, 87, 84, 108};
constexpr CRect kHelpRect{88, 87, 161, 108};
constexpr CRect kAboutRect{165, 87, 238, 108};
constexpr CRect kFileLabelRect{88, 62, 237, 77};

// The last editor to go closes the About boxes, so that none outlives the
// library that serves it.
int liveEditors = 0;

}  // namespace

SDEditor::SDEditor(EditorController& controller, EditorServices services)
    : AEffGUIEditor(controller, services.windows), services_(std::move(services)),
      background_(loadBitmapResource(128))
{
    ++liveEditors;
    if (background_ != nullptr)
        size_ = {background_->getWidth(), background_->getHeight()};
}

SDEditor::~SDEditor()
{
    close();
    if (background_ != nullptr)
        background_->forget();
    if (--liveEditors == 0)
        services_.aboutBoxes.closeAll();
}

bool SDEditor::open(void* parent)
{
    close();
    auto frame = std::make_unique<gui::CFrame>(windows_, parent, size_, background_,
                                               static_cast<gui::EditHost&>(*this));
    if (!frame->isOpen())
        return false;

    CBitmap* inputImage = loadBitmapResource(131);
    CBitmap* airImage = loadBitmapResource(132);
    CBitmap* loadImage = loadBitmapResource(133);
    CBitmap* helpImage = loadBitmapResource(134);
    CBitmap* aboutImage = loadBitmapResource(135);

    inputSwitch_ = frame->addView(std::make_unique<COnOffButton>(kInputRect, this, kInputTag, inputImage));
    inputSwitch_->setValue(controller_.parameter(kInputTag));
    airSwitch_ = frame->addView(std::make_unique<COnOffButton>(kAirRect, this, kAirTag, airImage));
    airSwitch_->setValue(controller_.parameter(kAirTag));
    frame->addView(std::make_unique<COnOffButton>(kLoadRect, this, kLoadTag, loadImage));
    frame->addView(std::make_unique<COnOffButton>(kHelpRect, this, kHelpTag, helpImage));
    frame->addView(std::make_unique<COnOffButton>(kAboutRect, this, kAboutTag, aboutImage));

    fileLabel_ = frame->addView(std::make_unique<gui::CTextLabel>(kFileLabelRect, correctionName()));
    fileLabel_->setFont(gui::CFontId::kNormalFontSmall);
    fileLabel_->setFontColor(gui::kWhiteCColor);
    fileLabel_->setBackColor(gui::kBlackCColor);
    fileLabel_->setFrameColor(gui::kBlackCColor);

    for (CBitmap* image : {inputImage, airImage, loadImage, helpImage, aboutImage})
        if (image != nullptr)
            image->forget();

    frame_ = std::move(frame);
    frame_->draw();
    return true;
}

void SDEditor::close()
{
    frame_.reset();
    inputSwitch_ = nullptr;
    airSwitch_ = nullptr;
    fileLabel_ = nullptr;
}

std::string SDEditor::correctionName() const
{
    const std::string path = controller_.correctionPath();
    if (path == "None")
        return path;
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return (error ? std::filesystem::path(path) : full).filename().string();
}

void SDEditor::idle()
{
    if (frame_ == nullptr)
        return;
    // The signal is cleared as it is taken, so that a refresh raised
    // meanwhile is not lost.
    if (controller_.takeRefresh()) {
        fileLabel_->setText(correctionName());
        fileLabel_->setDirty();
        inputSwitch_->setValue(controller_.parameter(kInputTag));
        inputSwitch_->setDirty();
        airSwitch_->setValue(controller_.parameter(kAirTag));
        airSwitch_->setDirty();
    }
    if (!insideHostIdle())
        frame_->idle();
}

void SDEditor::valueChanged(gui::CControl* control)
{
    switch (control->getTag()) {
    case kInputTag:
    case kAirTag:
        controller_.changeParameter(control->getTag(), control->getValue());
        control->setDirty();
        break;
    case kLoadTag:
        controller_.changeParameter(kLoadTag, control->getValue());
        break;
    case kHelpTag:
        if (services_.openHelp)
            services_.openHelp();
        break;
    case kAboutTag:
        services_.aboutBoxes.open();
        break;
    default:
        break;
    }
}

}  // namespace kestrava::editor
