#include "LineValue.h"
#include "SelectorFile.h"

#include <QList>

namespace {

// Walks the file's lines as the phone writes them: a group-start line, then
// continuation lines while a line holds ", \".
class SelectorReader
{
public:
    SelectorReader(const QList<QByteArray>& lines, SelectorModel& model) : lines_(lines), model_(model) {}

    bool read()
    {
        // The last piece (what follows the last LF) is the terminator.
        const qsizetype lineCount = lines_.size() - 1;
        if (lineCount < 1)
            return false;
        for (index_ = 0; index_ < lineCount; ++index_) {
            current_ = lines_.at(index_);
            if (!readNextRoot() || !readFolder() || !readSuite() || !readMidlet())
                return false;
        }
        return true;
    }

private:
    bool readNextRoot()
    {
        if (!current_.contains("nextroot="))
            return true;
        const auto value = LineValue(current_);
        const auto number = value ? leadingNumber(*value) : std::nullopt;
        if (!number)
            return false;
        model_.NextRoot = *number;
        return true;
    }

    bool readFolder()
    {
        if (!current_.startsWith("folder"))
            return true;
        if (++folderCount_ > SelectorModel::kFolderCount || !take(model_.JavaFolders[folderCount_].Name))
            return false;
        JavaFolder& folder = model_.JavaFolders[folderCount_];
        folder.Unnamed = folder.Name.isEmpty();
        return readContinuations([&] {
            if (current_.startsWith("modifiable"))
                return take(folder.Modifiable);
            if (current_.startsWith("removable"))
                return take(folder.Removable);
            return true;
        });
    }

    bool readSuite()
    {
        if (!current_.startsWith("suite"))
            return true;
        if (++suiteCount_ > SelectorModel::kSuiteCount)
            return false;
        JavaSuite& suite = model_.JavaSuites[suiteCount_];
        if (!take(suite.SuiteName))
            return false;
        suite.Folder = folderCount_;
        return readContinuations([&] {
            if (current_.startsWith("root"))
                return take(suite.Root);
            if (current_.startsWith("domain"))
                return take(suite.Domain);
            if (current_.startsWith("num")) {
                QByteArray value;
                const auto number = take(value) ? wholeNumber(value) : std::nullopt;
                if (number)
                    suite.Num = *number;
                return number.has_value();
            }
            return true;
        });
    }

    bool readMidlet()
    {
        if (!current_.startsWith("midlet"))
            return true;
        JavaSuite& suite = model_.JavaSuites[suiteCount_];
        if (!take(suite.MidletName))
            return false;
        return readContinuations([&] {
            if (current_.startsWith("icon"))
                return take(suite.Icon);
            if (current_.startsWith("class"))
                return take(suite.ClassName);
            return true;
        });
    }

    // Continuation lines lose their surrounding blanks; the group-start line keeps them.
    template <typename Handler> bool readContinuations(Handler handle)
    {
        while (current_.contains(", \\")) {
            if (++index_ >= lines_.size() - 1)
                return false;
            current_ = trimmedBlanks(lines_.at(index_));
            if (!handle())
                return false;
        }
        return true;
    }

    bool take(QByteArray& field)
    {
        const auto value = LineValue(current_);
        if (value)
            field = *value;
        return value.has_value();
    }

    static QByteArray trimmedBlanks(const QByteArray& line)
    {
        qsizetype start = 0, end = line.size();
        while (start < end && line[start] == ' ')
            ++start;
        while (end > start && line[end - 1] == ' ')
            --end;
        return line.mid(start, end - start);
    }

    const QList<QByteArray>& lines_;
    SelectorModel& model_;
    QByteArray current_;
    qsizetype index_ = 0;
    int folderCount_ = 0;
    int suiteCount_ = 0;
};

} // namespace

SelectorReading ReadSelector(const QByteArray& content, SelectorModel& model)
{
    for (int index = 1; index <= SelectorModel::kFolderCount; ++index)
        model.JavaFolders[index] = JavaFolder();
    for (int slot = 1; slot <= SelectorModel::kSuiteCount; ++slot)
        model.JavaSuites[slot] = JavaSuite();

    // The length field is not text: a length byte that reads as "," or "="
    // would otherwise make the first line unreadable or change its number.
    QList<QByteArray> lines = content.mid(2).split('\n');
    for (qsizetype index = 0; index + 1 < lines.size(); ++index) {
        if (lines[index].startsWith('\t'))
            lines[index].remove(0, 1);
    }
    SelectorReading reading;
    reading.ok = SelectorReader(lines, model).read();
    return reading;
}
