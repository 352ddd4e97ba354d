#include "settings/AboutBox.h"
#include "settings/FolderChooser.h"
#include "settings/LanguageTable.h"
#include "settings/SettingsDialog.h"
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
        QCOMPARE(dialog.windowTitle(), texts_.GetString(311));
        // Each number with the device it opens.
        auto* port = dialog.findChild<QComboBox*>(QStringLiteral("cmbPort"));
        QCOMPARE(port->currentText(), QStringLiteral("COM4: ") + cable);
        QVERIFY(port->itemText(0).startsWith(QStringLiteral("COM1: /dev/ttyS0")));
        QCOMPARE(port->count(), 16);
        QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("cmbSize"))->currentText(),
                 QStringLiteral("10"));
        QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("cmbSize"))->itemText(0), QStringLiteral("0.5"));
        QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("cmbDelay"))->currentText(),
                 QStringLiteral("1500"));
        QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("cmbTimeOut"))->currentText(),
                 QStringLiteral("10000"));
        // Languages by their own names.
        auto* language = dialog.findChild<QComboBox*>(QStringLiteral("cmbLanguage"));
        QCOMPARE(language->currentText(), QStringLiteral("English"));
        QCOMPARE(language->itemText(1), QStringLiteral("Deutsch"));
        QVERIFY(!dialog.findChild<QCheckBox*>(QStringLiteral("chkDisplayCharge"))->isChecked());
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblP0"))->text(), texts_.GetString(312));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblP4"))->text(), texts_.GetString(317));
        // Which device the chosen number opens, shown whole.
        auto* device = dialog.findChild<QComboBox*>(QStringLiteral("cmbDevice"));
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
        auto* port = dialog.findChild<QComboBox*>(QStringLiteral("cmbPort"));
        port->setCurrentIndex(11);
        // The user types the device over the one shown; the port list follows.
        QLineEdit* device = dialog.findChild<QComboBox*>(QStringLiteral("cmbDevice"))->lineEdit();
        QTest::keyClick(device, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(device, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(port->currentText(), QStringLiteral("COM12: /dev/ttyUSB0"));
        dialog.findChild<QComboBox*>(QStringLiteral("cmbSize"))->setCurrentText(QStringLiteral("0.5"));
        dialog.findChild<QComboBox*>(QStringLiteral("cmbDelay"))->setCurrentText(QStringLiteral("500"));
        dialog.findChild<QComboBox*>(QStringLiteral("cmbTimeOut"))->setCurrentText(QStringLiteral("15000"));
        QTest::keyClicks(dialog.findChild<QComboBox*>(QStringLiteral("cmbLanguage")), QStringLiteral("D"));
        dialog.findChild<QCheckBox*>(QStringLiteral("chkDisplayCharge"))->setChecked(true);
        dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        QCOMPARE(store.read(QStringLiteral("sieCOMPort")), QStringLiteral("12"));
        QCOMPARE(store.read(QStringLiteral("sieSliceSize")), QStringLiteral("512"));
        QCOMPARE(store.read(QStringLiteral("sieDelay")), QStringLiteral("500"));
        QCOMPARE(store.read(QStringLiteral("sieTimeOut")), QStringLiteral("15000"));
        QCOMPARE(store.read(QStringLiteral("sieDisplayCharge")), QStringLiteral("True"));
        QCOMPARE(store.read(QStringLiteral("sysLanguage")), QStringLiteral("german.lng"));
        QCOMPARE(store.readPortDevice(12), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(settings.COMPort, 12);
        QCOMPARE(settings.SliceSize, 512);
        QCOMPARE(settings.DisplayCharge, QStringLiteral("True"));
    }

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
            QCOMPARE(dialog.findChild<QComboBox*>(QLatin1String(name))->currentIndex(), -1);
        dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        QCOMPARE(store.read(QStringLiteral("sieCOMPort")), QStringLiteral("20"));
        QCOMPARE(store.read(QStringLiteral("sieSliceSize")), QStringLiteral("3000"));
        QCOMPARE(store.read(QStringLiteral("sieDelay")), QStringLiteral("700"));
        QCOMPARE(store.read(QStringLiteral("sieTimeOut")), QStringLiteral("4000"));
        QCOMPARE(settings.LanguageFile, QStringLiteral("mine.lng"));
        QCOMPARE(store.read(QStringLiteral("sysLanguage")), QString());
    }

    void settingsCancelStoresNothing()
    {
        SettingsStore store(folder_.filePath(QStringLiteral("cancel.conf")));
        Settings settings;
        SettingsDialog dialog(store, settings, texts_, languageFolder());
        dialog.findChild<QComboBox*>(QStringLiteral("cmbPort"))->setCurrentText(QStringLiteral("COM1"));
        dialog.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
        QCOMPARE(store.read(QStringLiteral("sieCOMPort")), QString());
        QCOMPARE(settings.COMPort, 4);
    }

    void versionFormat_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("shown");
        QTest::newRow("0.4 r50") << 0 << 4 << 50 << QStringLiteral("0.4.0050");
        QTest::newRow("1.2 r3") << 1 << 2 << 3 << QStringLiteral("1.2.0003");
        QTest::newRow("long revision") << 2 << 10 << 12345 << QStringLiteral("2.10.12345");
    }

    void versionFormat()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(QString, shown);
        QCOMPARE(AboutBox::formatVersion(major, minor, revision), shown);
    }

    void aboutBoxShowsItsTextsAndColours()
    {
        AboutBox about(texts_);
        QCOMPARE(about.windowTitle(), texts_.GetString(301));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblVer"))->text(), QStringLiteral("1.2.0003"));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblP1"))->text(), QStringLiteral("Vantrel"));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblP2"))->text(), texts_.GetString(300));
        QCOMPARE(textColour(about.findChild<QLabel*>(QStringLiteral("lblVer"))), QColor(128, 128, 128));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblBack"))->palette().color(QPalette::Window),
                 QColor(73, 65, 159));
        auto* greetings = about.findChild<QLabel*>(QStringLiteral("lblGreetings"));
        auto* ok = about.findChild<QLabel*>(QStringLiteral("lblOK"));
        QCOMPARE(greetings->text(), QStringLiteral(" Greetings"));
        QCOMPARE(ok->text(), QStringLiteral("OK  "));
        QCOMPARE(textColour(greetings), QColor(255, 255, 255));

        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::mouseMove(greetings);
        QTRY_COMPARE(textColour(greetings), AboutBox::hoverColour());
        QCOMPARE(textColour(ok), AboutBox::normalColour());
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
        QVERIFY(shown.endsWith(QStringLiteral("   To be continued... ;-)\r\n")));
        QCOMPARE(shown.count(QStringLiteral("\r\n")), 10);

        QTest::mouseRelease(ok, Qt::LeftButton);
        QTRY_VERIFY(!about.isVisible());
    }

    void chooserListsOnlyOrdinaryFiles()
    {
        QTemporaryDir source;
        for (const char* name : {"b.txt", "a.png", "c d.mid", ".hidden"}) {
            QFile file(source.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(qstrlen(name), 'x'));
        }
        QDir(source.path()).mkdir(QStringLiteral("sub"));
        FolderChooser chooser(source.path() + QLatin1Char('/'), texts_);
        QCOMPARE(chooser.windowTitle(), texts_.GetString(250));
        auto* list = chooser.findChild<QListWidget*>(QStringLiteral("lstFiles"));
        QCOMPARE(list->count(), 3);
        const QList<UploadItem> all = chooser.chosenFiles();
        QCOMPARE(all.size(), 3);
        QCOMPARE(all.at(0).LocalPath, source.filePath(QStringLiteral("a.png")));
        QCOMPARE(all.at(2).FileSize, qint64(7));
        QCOMPARE(list->currentRow(), 0);
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
        for (const char* name : {"a.png", "b.txt"}) {
            QFile file(source.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        FolderChooser chooser(source.path(), texts_);
        chooser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chooser));
        auto* list = chooser.findChild<QListWidget*>(QStringLiteral("lstFiles"));
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
            for (const UploadItem& item : chooser.chosenFiles())
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
