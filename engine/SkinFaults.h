#pragma once

// What is wrong with a skin, fault by fault. The engine stops at the first
// fault and refuses the skin; `ornixcreator skin check` goes on after each
// one that leaves the rest checkable and reports them all. Both run the same
// checks in the same order, so the first fault, and the verdict, are the same.

#include <string>
#include <vector>

enum class SkinFaultKind {
    Unreadable,  // no file at the path, a folder, or a file that cannot be opened
    Refused,     // the file is there and is no acceptable skin
};

struct SkinFault {
    SkinFaultKind kind = SkinFaultKind::Refused;
    int line = 0;         // the line of the ini it concerns, 0 where none applies
    std::string entry;    // that ini, when it is not skin.ini (a dark variant's)
    std::string section;  // the section it lies in, empty for none
    std::string message;
    // Whether the engine's text names the line ("skin.ini line 12 in
    // [Dialog]: ..."), or only the section ("[Dialog]: image ...") for the
    // faults found after skin.ini was read, whose line is that of the key.
    bool lineInText = true;
};

class SkinFaults {
public:
    // keepGoing false: the first fault ends the check (the engine).
    explicit SkinFaults(bool keepGoing = false) : keepGoing_(keepGoing) {}

    // Records a fault; true when the check should go on past it. A fault
    // equal to one recorded (an inherited key checked again for each named
    // object that takes it) is recorded once.
    bool Add(SkinFault fault);
    bool Add(int line, const std::string& section, const std::string& message)
    {
        SkinFault fault;
        fault.line = line;
        fault.section = section;
        fault.message = message;
        return Add(fault);
    }

    bool keepGoing() const { return keepGoing_; }
    bool empty() const { return faults_.empty(); }
    const std::vector<SkinFault>& all() const { return faults_; }
    const SkinFault& first() const { return faults_.front(); }
    // The ini that faults with a line are recorded for from now on; empty
    // for skin.ini.
    void SetEntry(const std::string& entry) { entry_ = entry; }

private:
    bool keepGoing_;
    std::string entry_;
    std::vector<SkinFault> faults_;
};

// The engine's text for a fault, as it writes it to a debugger:
// "skin.ini line 12 in [Dialog]: unknown key \"glow\"".
std::string SkinFaultText(const SkinFault& fault);

// A fault as a build log shows it: "FILE:LINE: message" or "FILE: message",
// FILE as given; "FILE:dark.ini:LINE: message" for a line of another ini.
std::string SkinFaultReport(const std::string& file, const SkinFault& fault);
