#pragma once

#include <windows.h>

#include <string>

// The setup's own lines in the log file named by /l, written before Windows
// Installer appends its own. Without a file, writing does nothing.
class SetupLog {
public:
    SetupLog() = default;
    SetupLog(const SetupLog&) = delete;
    SetupLog& operator=(const SetupLog&) = delete;

    // Starts the file afresh. False, and no log, when it cannot be written.
    bool Open(const char* path);
    bool active() const { return !path_.empty(); }

    // One line, printf style, with "Setup: " before it.
    void Write(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // After Windows Installer has written its log into the same file: puts
    // the setup's lines back in front of the installer's if they are gone.
    void KeepOwnLines();

private:
    std::string path_;
    std::string written_;  // every byte this log has written
};
