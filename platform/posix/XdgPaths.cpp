#include "platform/posix/XdgPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace kestrava::platform {

std::optional<std::string> homeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return std::string(home);
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return std::string(entry->pw_dir);
    return std::nullopt;
}

std::optional<std::string> userConfigFolder()
{
    if (const char* configHome = std::getenv("XDG_CONFIG_HOME"); configHome != nullptr && *configHome == '/')
        return std::string(configHome);
    if (const std::optional<std::string> home = homeFolder())
        return *home + "/.config";
    return std::nullopt;
}

std::vector<std::string> systemConfigFolders()
{
    std::vector<std::string> folders;
    if (const char* dirs = std::getenv("XDG_CONFIG_DIRS"); dirs != nullptr) {
        std::istringstream list(dirs);
        for (std::string folder; std::getline(list, folder, ':');)
            if (!folder.empty() && folder.front() == '/')
                folders.push_back(folder);
    }
    if (folders.empty())
        folders.push_back("/etc/xdg");
    return folders;
}

}  // namespace kestrava::platform
