#include "platform/ProductSettings.h"

namespace kestrava::platform {

std::string prepareDataFolder(Shell& shell, Messages& messages)
{
    std::string folder;
    if (std::optional<std::string> documents = shell.documentsFolder())
        folder = *documents;
    else
        showError(messages, kDocumentsFolderFailedText);
    const char separator = shell.separator();
    folder += separator;
    folder += kProductFolderName;
    folder += separator;
    if (!shell.exists(folder))
        shell.createDirectory(folder);
    return folder;
}

void prepareSettings(SettingsStore& store, Messages& messages)
{
    const SettingsKeyState state = store.openUserSettings();
    if (state == SettingsKeyState::Failed) {
        showError(messages, kSettingsCreateFailedText);
        return;
    }
    if (state == SettingsKeyState::Created && !store.setUserString(kAlgPathValue, "None"))
        showError(messages, kSettingsSetFailedText);
    store.closeUserSettings();
}

std::string helpDocumentPath(SettingsStore& store, Messages& messages)
{
    std::string folder;
    if (!store.openInstallation())
        showError(messages, kInstallationOpenFailedText);
    if (std::optional<std::string> installed = store.installationString(kInstallDirValue))
        folder = *installed;
    else
        showError(messages, kInstallationQueryFailedText);
    store.closeInstallation();
    return store.helpDocument(folder);
}

void openHelp(SettingsStore& store, Shell& shell, Messages& messages)
{
    const std::string document = helpDocumentPath(store, messages);
    if (shell.openDocument(document) == DocumentOpenResult::NotFound)
        showError(messages, store.helpMissingText(document));
}

}  // namespace kestrava::platform
