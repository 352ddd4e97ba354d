#include "DownloadTexts.h"

#include "phone/DisplayName.h"
#include "phone/FolderCopy.h"
#include "settings/LanguageTable.h"

QString keptAsText(const LanguageTable& texts, const KeptAs& kept)
{
    return texts.GetString(kKeptAs) + QLatin1Char(' ') + withVisibleControls(kept.localName) +
           QStringLiteral(": ") + withVisibleControls(kept.path);
}
