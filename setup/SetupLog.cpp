#include "SetupLog.h"

#include "Handles.h"

#include <algorithm>
#include <stdarg.h>
#include <stdio.h>

bool SetupLog::Open(const char* path)
{
    path_.clear();
    if (!path || !*path)
        return false;
    FileHandle file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    path_ = path;
    return true;
}

void SetupLog::Write(const char* format, ...)
{
    if (path_.empty())
        return;
    char line[2048];
    int length = snprintf(line, sizeof line, "Setup: ");
    va_list arguments;
    va_start(arguments, format);
    const int text = vsnprintf(line + length, sizeof line - length - 2, format, arguments);
    va_end(arguments);
    length = text < 0 ? length : std::min<int>(length + text, int(sizeof line) - 3);
    // Names come from the archive: a line break in one must not forge a
    // line of the log.
    for (int i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(line[i]) < 0x20)
            line[i] = '?';
    }
    line[length++] = '\r';
    line[length++] = '\n';
    // Opened for each line and closed again, so the installer, which opens
    // the same file later, never meets a handle of ours.
    FileHandle file(CreateFileA(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    DWORD written = 0;
    if (WriteFile(file.get(), line, DWORD(length), &written, nullptr))
        written_.append(line, written);
}

void SetupLog::KeepOwnLines()
{
    if (path_.empty())
        return;
    FileHandle file(CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    std::string now;
    char buffer[64 * 1024];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        now.append(buffer, read);
    // An installer that does not honour the append attribute writes its log
    // over ours from the file's start (Wine's does). Its text is what it
    // wrote: all of the file when that is longer than our lines, else the
    // part before the tail of our lines that survived.
    if (now.compare(0, written_.size(), written_) != 0) {
        size_t theirs = now.size();
        if (now.size() == written_.size()) {
            while (theirs > 0 && now[theirs - 1] == written_[theirs - 1])
                --theirs;
        }
        const std::string repaired = written_ + now.substr(0, theirs);
        // Cut to the repaired length only when all of it was written: a short
        // write must not lose the end of the installer's log.
        DWORD count = 0;
        if (SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == 0 &&
            WriteFile(file.get(), repaired.data(), DWORD(repaired.size()), &count, nullptr) &&
            count == repaired.size())
            SetEndOfFile(file.get());
    }
}
