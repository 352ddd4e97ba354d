#include "dialogs/AboutBox.h"
#include "dialogs/FolderChooser.h"
#include "dialogs/SettingsDialog.h"
#include "settings/LanguageTable.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QString languageFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/lng");
}

QColor textColour(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

template <class Control> Control* child(const QWidget& window, const char* name)
{
    return window.findChild<Control*>(QLatin1String(name));
}
QComboBox* combo(const QWidget& window, const char* name)
{
    return child<QComboBox>(window, name);
}

void createFiles(const QTemporaryDir& folder, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        QFile file(folder.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(qstrlen(name), 'x'));
    }
}

} // namespace

class DialogsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir folder_;
    LanguageTable texts_;

private slots:
    void initTestCase()
    {
        QVERIFY(texts_.LoadLanguage(languageFolder() + QStringLiteral("/english.lng")).status ==
                LanguageTable::LoadStatus::Loaded);
        QCoreApplication::setApplicationVersion(QStringLiteral("1.2.3"));
    }

    void settingsOpenWithTheCurrentValues()
    {
        SettingsStore store(folder_.filePath(QStringLiteral("open.conf")));
        const QString cable =
            QStringLiteral("/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0");
        store.writePortDevice(4, cable);
        Settings settings;
        SettingsDialog dialog(store, settings, texts_, languageFolder());
        // Each number with the device it opens.
        QCOMPARE(combo(dialog, "cmbPort")->currentText(), QStringLiteral("COM4: ") + cable);
        QVERIFY(combo(dialog, "cmbPort")->itemText(0).startsWith(QStringLiteral("COM1: /dev/ttyS0")));
        QCOMPARE(combo(dialog, "cmbSize")->currentText(), QStringLiteral("10"));
        QCOMPARE(combo(dialog, "cmbDelay")->currentText(), QStringLiteral("1500"));
        QCOMPARE(combo(dialog, "cmbTimeOut")->currentText(), QStringLiteral("10000"));
        // Languages by their own names.
        QCOMPARE(combo(dialog, "cmbLanguage")->currentText(), QStringLiteral("English"));
        QCOMPARE(combo(dialog, "cmbLanguage")->itemText(1), QStringLiteral("Deutsch"));
        QVERIFY(!child<QCheckBox>(dialog, "chkDisplayCharge")->isChecked());
        // Which device the chosen number opens, shown whole.
        QComboBox* device = combo(dialog, "cmbDevice");
        QCOMPARE(device->currentText(), cable);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(device->width() >= device->sizeHint().width());
        QVERIFY(device->lineEdit()->fontMetrics().horizontalAdvance(cable) <= device->lineEdit()->width());
    }

    void settingsOkStoresTheChoices()
    {
        SettingsStore store(folder_.filePath(QStringLiteral("ok.conf")));
        Settings settings;
        SettingsDialog dialog(store, settings, texts_, languageFolder());
        combo(dialog, "cmbPort")->setCurrentIndex(11);
        // The user types the device over the one shown; the port list follows.
        QLineEdit* device = combo(dialog, "cmbDevice")->lineEdit();
        QTest::keyClick(device, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(device, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(combo(dialog, "cmbPort")->currentText(), QStringLiteral("COM12: /dev/ttyUSB0"));
        combo(dialog, "cmbSize")->setCurrentText(QStringLiteral("0.5"));
        combo(dialog, "cmbDelay")->setCurrentText(QStringLiteral("500"));
        combo(dialog, "cmbTimeOut")->setCurrentText(QStringLiteral("15000"));
        QTest::keyClicks(combo(dialog, "cmbLanguage"), QStringLiteral("D"));
        child<QCheckBox>(dialog, "chkDisplayCharge")->setChecked(true);
        child<QPushButton>(dialog, "cmdOK")->click();
        const std::pair<const char*, const char*> stored[] = {
            {"sieCOMPort", "12"},    {"sieSliceSize", "512"},      {"sieDelay", "500"},
            {"sieTimeOut", "15000"}, {"sieDisplayCharge", "True"}, {"sysLanguage", "german.lng"}};
        for (const auto& [key, value] : stored)
            QCOMPARE(store.read(QLatin1String(key)), QLatin1String(value));
        QCOMPARE(store.readPortDevice(12), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(settings.COMPort, 12);
        QCOMPARE(settings.SliceSize, 512);
    }

    // Values no list offers are kept, not replaced by the first entry.
    void settingsWithoutChoiceKeepTheirValue()
    {
        QTemporaryDir noLanguages;
        SettingsStore store(folder_.filePath(QStringLiteral("keep.conf")));
        Settings settings;
        settings.COMPort = 20;
        settings.SliceSize = 3000;
        settings.DelayTime = 700;
        settings.TimeOutTime = 4000;
        settings.LanguageFile = QStringLiteral("mine.lng");
        SettingsDialog dialog(store, settings, texts_, noLanguages.path());
        for (const char* name : {"cmbPort", "cmbSize", "cmbDelay", "cmbTimeOut", "cmbLanguage"})
            QCOMPARE(combo(dialog, name)->currentIndex(), -1);
        child<QPushButton>(dialog, "cmdOK")->click();
        const std::pair<const char*, const char*> stored[] = {
            {"sieCOMPort", "20"}, {"sieSliceSize", "3000"}, {"sieDelay", "700"}, {"sieTimeOut", "4000"}};
        for (const auto& [key, value] : stored)
            QCOMPARE(store.read(QLatin1String(key)), QLatin1String(value));
        QCOMPARE(settings.LanguageFile, QStringLiteral("mine.lng"));
        QCOMPARE(store.read(QStringLiteral("sysLanguage")), QString());
    }

    // The revision takes four digits at least, and more when it needs them.
    void versionFormat()
    {
        QCOMPARE(AboutBox::formatVersion(0, 4, 50), QStringLiteral("0.4.0050"));
        QCOMPARE(AboutBox::formatVersion(2, 10, 12345), QStringLiteral("2.10.12345"));
    }

    void aboutBoxAnswersThePointer()
    {
        AboutBox about(texts_);
        QCOMPARE(child<QLabel>(about, "lblVer")->text(), QStringLiteral("1.2.0003"));
        auto* greetings = child<QLabel>(about, "lblGreetings");
        auto* ok = child<QLabel>(about, "lblOK");
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::mouseMove(greetings);
        QTRY_COMPARE(textColour(greetings), AboutBox::hoverColour());
        QTest::mouseMove(ok);
        QTRY_COMPARE(textColour(ok), AboutBox::hoverColour());
        QCOMPARE(textColour(greetings), AboutBox::normalColour());
        QTest::mousePress(ok, Qt::LeftButton);
        QCOMPARE(textColour(ok), AboutBox::pressedColour());

        QString shown;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box) {
                shown = box->windowTitle() + QLatin1Char('|') + box->text();
                box->accept();
            }
        });
        QTest::mouseClick(greetings, Qt::LeftButton);
        QVERIFY(shown.startsWith(
            QStringLiteral("Greetings|  I would like to thank the following people:\r\n   ====")));

        QTest::mouseRelease(ok, Qt::LeftButton);
        QTRY_VERIFY(!about.isVisible());
    }

    void chooserTogglesOnAClickInTheBoxOrOnTheName_data()
    {
        QTest::addColumn<bool>("inCheckBox");
        QTest::newRow("in the check box") << true;
        QTest::newRow("on the name") << false;
    }

    void chooserTogglesOnAClickInTheBoxOrOnTheName()
    {
        QFETCH(bool, inCheckBox);
        QTemporaryDir source;
        createFiles(source, {"a.png", "b.txt"});
        FolderChooser chooser(source.path(), texts_);
        chooser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chooser));
        auto* list = child<QListWidget>(chooser, "lstFiles");
        auto click = [&](int row) {
            QListWidgetItem* entry = list->item(row);
            QStyleOptionViewItem option;
            option.initFrom(list->viewport());
            option.rect = list->visualItemRect(entry);
            option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
            option.text = entry->text();
            const auto element =
                inCheckBox ? QStyle::SE_ItemViewItemCheckIndicator : QStyle::SE_ItemViewItemText;
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->style()->subElementRect(element, &option, list).center());
        };
        auto chosen = [&] {
            QStringList names;
            for (const ChosenFile& item : chooser.chosenFiles())
                names << QFileInfo(item.LocalPath).fileName();
            return names;
        };
        click(0);
        QCOMPARE(chosen(), QStringList{"b.txt"});
        click(1);
        QCOMPARE(chosen(), QStringList());
        click(0);
        QCOMPARE(chosen(), QStringList{"a.png"});
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
