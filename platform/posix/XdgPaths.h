// Where the XDG base directories put a user's and the machine's
// configuration. Used by the Linux desktop backends on user-interface
// threads; they read the environment and nothing else.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestrava::platform {

// $HOME, or the password database's home folder.
std::optional<std::string> homeFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::optional<std::string> userConfigFolder();

// The folders of $XDG_CONFIG_DIRS in their order of preference, /etc/xdg
// when it names none.
std::vector<std::string> systemConfigFolders();

}  // namespace kestrava::platform
