// The desktop seams the Linux measurement window shows in Qt: messages in
// Qt message boxes with the caption and icon asked for, and Qt's own open
// and save dialogs (the save dialog asks before replacing a file).
//
// User-interface thread only; every call is modal.
#pragma once

#include "platform/FileDialog.h"
#include "platform/Messages.h"

class QWidget;

namespace kestrava::calibrix {

class QtMessages final : public platform::Messages {
public:
    // Owned by `owner`, or by no window when it is null.
    explicit QtMessages(QWidget* owner) : owner_(owner) {}
    void show(const std::string& text, const std::string& caption, platform::MessageIcon icon) override;

private:
    QWidget* owner_;
};

class QtFileDialog final : public platform::FileDialog {
public:
    explicit QtFileDialog(QWidget* owner) : owner_(owner) {}
    std::optional<std::string> chooseFileToOpen(const platform::OpenFileRequest& request) override;
    std::optional<std::string> chooseFileToSave(const platform::OpenFileRequest& request) override;

private:
    QWidget* owner_;
};

}  // namespace kestrava::calibrix
