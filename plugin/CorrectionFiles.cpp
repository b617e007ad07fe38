#include "plugin/CorrectionFiles.h"

#include "corrfile/CorrectionFile.h"
#include "plugin/BoundedText.h"

namespace kestrava::plugin {

namespace {

constexpr char kProductFolder[] = "Kestrava Sonalve";

}  // namespace

CorrectionFiles::CorrectionFiles(platform::DesktopServices services) : services_(services)
{
    std::string folder;
    if (std::optional<std::string> documents = services_.shell.documentsFolder())
        folder = *documents;
    else
        platform::showError(services_.messages, "SHGetFolderPath Error.");
    const char separator = services_.shell.separator();
    folder += separator;
    folder += kProductFolder;
    folder += separator;
    setText(folder_, folder);
    if (!services_.shell.exists(folder_.data()))
        services_.shell.createDirectory(folder_.data());
}

bool CorrectionFiles::read(const std::string& path, engine::CorrectionSet& set) const
{
    return corrfile::readCorrectionFile(path, set, services_.messages) == 0;
}

std::optional<std::string> CorrectionFiles::choose(const std::string& currentName) const
{
    const platform::OpenFileRequest request{"DOV file", "*.alg", currentName, folder_.data(), "alg"};
    return services_.fileDialog.chooseFileToOpen(request);
}

}  // namespace kestrava::plugin
