#pragma once

#include <QString>

class LanguageTable;
struct KeptAs;

// The texts of a download's outcome, shared by the commands that download.
inline constexpr int kDownloadDone = 71;
inline constexpr int kDownloadCannotStart = 74;
inline constexpr int kDownloadsFailed = 79;
inline constexpr int kDownloadFailed = 84;
inline constexpr int kKeptAs = 441;

// "Name already taken, saved as photo (2).jpg: /ml/photo.jpg".
QString keptAsText(const LanguageTable& texts, const KeptAs& kept);
