// Windows test programs: the build's own files named as Windows programs take
// them, and other programs started the way a user's shell would start them.
// Test threads only (they block until the program ends).
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace kestrava::test {

// "/work/x/y" as "Z:\work\x\y", the drive Wine maps to the host's root.
inline std::string windowsPath(std::string path)
{
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return "Z:" + path;
}

inline std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// Starts a program without waiting for it; false when it cannot start.
inline bool startProgram(std::string commandLine, PROCESS_INFORMATION& process)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process) != FALSE;
}

// Runs a program and waits for it; its exit code, or -1 when it cannot start.
inline int runProgram(std::string commandLine)
{
    PROCESS_INFORMATION process{};
    if (!startProgram(std::move(commandLine), process)) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

}  // namespace kestrava::test

