#include "QueueCheck.h"

#include <QFileInfo>

#include <algorithm>

namespace {

// "s2_" names the files "s2_suite.jar", "s2_suite.jad", ...
QString filePrefix(const JavaSuite& suite)
{
    return displayText(suite.Root) + QStringLiteral("suite.");
}

QStringList queuedNames(const QList<UploadItem>& queue)
{
    QStringList names;
    for (const UploadItem& item : queue)
        names << QFileInfo(item.LocalPath).fileName();
    return names;
}

bool anyStartsWith(const QStringList& names, const QString& prefix)
{
    return std::any_of(names.begin(), names.end(),
                       [&prefix](const QString& name) { return name.startsWith(prefix); });
}

} // namespace

QStringList missingSuiteFiles(const SelectorModel& model, const QList<UploadItem>& queue,
                              const QStringList& stagedFiles, const QStringList& javaFileNames)
{
    const QStringList reachable = queuedNames(queue) + javaFileNames;
    QStringList missing;
    for (int slot = 1; slot <= SelectorModel::kSuiteCount; ++slot) {
        const JavaSuite& suite = model.JavaSuites[slot];
        if (!model.isListed(suite))
            continue;
        const QString prefix = filePrefix(suite);
        if (!anyStartsWith(reachable, prefix)) {
            missing << prefix + QLatin1Char('*');
            continue;
        }
        for (const QString& staged : stagedFiles) {
            if (staged.startsWith(prefix) && !reachable.contains(staged))
                missing << staged;
        }
    }
    missing.removeDuplicates();
    return missing;
}
