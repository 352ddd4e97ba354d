#include "SimulatedFileSystem.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string toUtf8(const std::u16string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

std::u16string fromUtf8(const std::string& text)
{
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        std::uint32_t code = byte;
        int follow = 0;
        if (byte >= 0xF0) {
            code = byte & 0x07;
            follow = 3;
        } else if (byte >= 0xE0) {
            code = byte & 0x0F;
            follow = 2;
        } else if (byte >= 0xC0) {
            code = byte & 0x1F;
            follow = 1;
        }
        ++i;
        for (int k = 0; k < follow && i < text.size(); ++k, ++i)
            code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

namespace {

bool isPlainName(const std::u16string& name)
{
    return !name.empty() && name != u"." && name != u".." && name.find(u'/') == std::u16string::npos &&
           name.find(u'\\') == std::u16string::npos && name.find(u'\0') == std::u16string::npos;
}

} // namespace

std::optional<std::string> SimulatedFileSystem::folderPath(const std::u16string& folder) const
{
    std::string path = root_;
    std::u16string::size_type start = 0;
    while (start <= folder.size()) {
        auto end = folder.find(u'/', start);
        if (end == std::u16string::npos)
            end = folder.size();
        const std::u16string part = folder.substr(start, end - start);
        if (!part.empty()) {
            if (!isPlainName(part))
                return std::nullopt;
            path += "/" + toUtf8(part);
        }
        start = end + 1;
    }
    return path;
}

std::optional<std::string> SimulatedFileSystem::filePath(const std::u16string& folder,
                                                         const std::u16string& name) const
{
    const auto base = folderPath(folder);
    if (!base || !isPlainName(name))
        return std::nullopt;
    return *base + "/" + toUtf8(name);
}

std::optional<std::vector<SimulatedFileSystem::Entry>> SimulatedFileSystem::list(const std::u16string& folder,
                                                                                 bool internalToo) const
{
    const auto path = folderPath(folder);
    std::error_code error;
    if (!path || !fs::is_directory(*path, error))
        return std::nullopt;
    const bool atRoot = *path == root_;
    std::vector<Entry> entries;
    for (const auto& item : fs::directory_iterator(*path, error)) {
        const std::string name = item.path().filename().string();
        if (name.front() == '.' && !(internalToo && atRoot))
            continue;
        Entry entry;
        entry.name = fromUtf8(name);
        entry.isFolder = item.is_directory(error);
        entry.size = entry.isFolder ? 0 : item.file_size(error);
        entries.push_back(entry);
    }
    // Folders first, each group by name: a stable order like the phone's own.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.isFolder != b.isFolder ? a.isFolder : a.name < b.name;
    });
    return entries;
}
