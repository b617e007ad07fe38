// The product's folders, settings and help as both programs use them: the
// data folder in the user's documents, the per-user settings prepared at
// the measurement window's start, and the help opened from the installation
// folder. Every failure is told in an "Error" message with no owner, and the
// step goes on with what it has.
//
// User-interface threads only.
#pragma once

#include "platform/Messages.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"

#include <string>

namespace kestrava::platform {

inline constexpr const char* kProductFolderName = "Kestrava Sonalve";

inline constexpr const char* kDocumentsFolderFailedText = "SHGetFolderPath Error.";
inline constexpr const char* kSettingsCreateFailedText = "RegCreateKeyEx Error1.";
inline constexpr const char* kSettingsSetFailedText = "RegSetValueEx Error3.";
inline constexpr const char* kInstallationOpenFailedText = "RegOpenKeyEx Error.";
inline constexpr const char* kInstallationQueryFailedText = "RegQueryValueEx Error1.";
inline constexpr const char* kHelpNotFoundText = "Help.chm is not found";

// The documents folder followed by the product folder and a trailing
// separator; the folder is created when missing.
std::string prepareDataFolder(Shell& shell, Messages& messages);

// Creates the per-user settings; only a new one gets "alg_path" = "None".
void prepareSettings(SettingsStore& store, Messages& messages);

// The help document's path from the installation entry (an empty folder
// part when the entry cannot be read). Looked up afresh at every call.
std::string helpDocumentPath(SettingsStore& store, Messages& messages);

// Asks the shell to open the help document; tells the user when it is not
// there.
void openHelp(SettingsStore& store, Shell& shell, Messages& messages);

}  // namespace kestrava::platform
