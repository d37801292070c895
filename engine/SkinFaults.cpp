#include "SkinFaults.h"

bool SkinFaults::Add(SkinFault fault)
{
    if (fault.line)
        fault.entry = entry_;
    for (const SkinFault& seen : faults_) {
        if (seen.line == fault.line && seen.entry == fault.entry && seen.message == fault.message)
            return keepGoing_;
    }
    faults_.push_back(std::move(fault));
    return keepGoing_;
}

std::string SkinFaultText(const SkinFault& fault)
{
    if (fault.line && fault.lineInText) {
        std::string where = (fault.entry.empty() ? std::string("skin.ini") : fault.entry) +
                            " line " + std::to_string(fault.line);
        if (!fault.section.empty())
            where += " in [" + fault.section + "]";
        return where + ": " + fault.message;
    }
    if (!fault.section.empty())
        return "[" + fault.section + "]: " + fault.message;
    return fault.message;
}

std::string SkinFaultReport(const std::string& file, const SkinFault& fault)
{
    std::string report = file;
    if (fault.line && !fault.entry.empty())
        report += ":" + fault.entry;
    if (fault.line)
        report += ":" + std::to_string(fault.line);
    report += ": ";
    if (!fault.section.empty())
        report += "[" + fault.section + "] ";
    return report + fault.message;
}
