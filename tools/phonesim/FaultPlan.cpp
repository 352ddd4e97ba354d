#include "FaultPlan.h"

#include <cstdlib>
#include <vector>

namespace {

std::vector<std::string> splitAt(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

// A fault for any other command would never be taken.
bool isFaultableCommand(const std::string& command)
{
    for (const char* known : {"QFSL", "QFRF", "QFWF", "QFDF", "CBC", "CGSN", "CGMM", "CGMR", "AT"}) {
        if (command == known)
            return true;
    }
    return false;
}

bool toNumber(const std::string& text, long& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0' && value >= 0;
}

} // namespace

bool FaultPlan::add(const std::string& text)
{
    const auto equals = text.find('=');
    if (equals == std::string::npos || !isFaultableCommand(text.substr(0, equals)))
        return false;
    const std::string command = text.substr(0, equals);
    std::string description = text.substr(equals + 1);
    Fault fault;
    const auto hash = description.find('#');
    if (hash != std::string::npos) {
        if (!toNumber(description.substr(hash + 1), fault.only) || fault.only == 0)
            return false;
        description = description.substr(0, hash);
    }
    const auto at = description.find('@');
    if (hash == std::string::npos && at != std::string::npos) {
        if (!toNumber(description.substr(at + 1), fault.remaining))
            return false;
        description = description.substr(0, at);
    }
    const std::vector<std::string> parts = splitAt(description, ':');
    const std::string& kind = parts[0];
    auto argument = [&](std::size_t index, long& value) {
        return parts.size() > index && toNumber(parts[index], value);
    };
    if (kind == "error" && parts.size() == 1)
        fault.kind = Fault::Kind::Error;
    else if (kind == "refuse" && parts.size() == 1 && command == "QFWF")
        fault.kind = Fault::Kind::Refuse;
    else if (kind == "silent" && parts.size() == 1)
        fault.kind = Fault::Kind::Silent;
    else if (kind == "early" && parts.size() == 1 && command == "QFWF")
        fault.kind = Fault::Kind::Early;
    else if (kind == "nosize" && parts.size() == 1 && command == "QFRF")
        fault.kind = Fault::Kind::NoSize;
    else if (kind == "nocrlf" && parts.size() == 1)
        fault.kind = Fault::Kind::NoCrLf;
    else if (kind == "late" && parts.size() == 2 && argument(1, fault.millis))
        fault.kind = Fault::Kind::Late;
    else if (kind == "split" && parts.size() == 3 && argument(1, fault.position) && argument(2, fault.millis))
        fault.kind = Fault::Kind::Split;
    else if (kind == "walk" && parts.size() == 2 && argument(1, fault.millis))
        fault.kind = Fault::Kind::Walk;
    else if (kind == "drop" && parts.size() == 2 && argument(1, fault.position))
        fault.kind = Fault::Kind::Drop;
    else
        return false;
    faults_[command] = fault;
    return true;
}

Fault FaultPlan::take(const std::string& command)
{
    auto found = faults_.find(command);
    if (found == faults_.end() || found->second.remaining == 0)
        return {};
    Fault fault = found->second;
    ++found->second.occurrence;
    if (fault.only > 0 && found->second.occurrence != fault.only)
        return {};
    if (fault.kind == Fault::Kind::Walk) {
        fault.kind = Fault::Kind::Split;
        fault.position = fault.occurrence + 1;
    }
    if (found->second.remaining > 0)
        --found->second.remaining;
    return fault;
}
