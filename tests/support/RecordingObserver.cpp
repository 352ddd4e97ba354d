#include "RecordingObserver.h"

void RecordingObserver::statusText(int panel, const QString& text)
{
    (panel == 1 ? panel1 : panel == 2 ? panel2 : panel3) << text;
}

QString RecordingObserver::lastStatus(int panel) const
{
    const QStringList& texts = panel == 1 ? panel1 : panel == 2 ? panel2 : panel3;
    return texts.isEmpty() ? QString() : texts.last();
}

#include "settings/LanguageTable.h"

#include <QTemporaryFile>

void fillWithNumberedTexts(LanguageTable& table)
{
    QTemporaryFile file;
    if (!file.open())
        return;
    for (int number = 0; number <= LanguageTable::kLastNumber; ++number)
        file.write(QByteArray::number(number) + "=T" + QByteArray::number(number) + "\r\n");
    file.close();
    table.LoadLanguage(file.fileName());
}
