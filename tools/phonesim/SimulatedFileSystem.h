#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The phone's file system, served from a folder on disk. Names travel as
// UTF-16 text; folders starting with "." are the phone's internal ones.
class SimulatedFileSystem
{
public:
    struct Entry
    {
        std::u16string name;
        bool isFolder = false;
        std::uint64_t size = 0;
    };

    explicit SimulatedFileSystem(std::string root) : root_(std::move(root)) {}

    // A phone folder ("", "/", "/ml", "/ml/") as a disk path; empty when it
    // would leave the root.
    std::optional<std::string> folderPath(const std::u16string& folder) const;
    std::optional<std::string> filePath(const std::u16string& folder, const std::u16string& name) const;

    std::optional<std::vector<Entry>> list(const std::u16string& folder, bool internalToo) const;

private:
    std::string root_;
};

std::string toUtf8(const std::u16string& text);
std::u16string fromUtf8(const std::string& text);
