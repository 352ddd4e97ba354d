#include "dialogs/AboutBox.h"
#include "dialogs/FolderChooser.h"
#include "dialogs/RepairsDialog.h"
#include "dialogs/SettingsDialog.h"
#include "explorer/ExplorerWindow.h"
#include "explorer/LineLogWindow.h"
#include "phone/RepairJournal.h"
#include "platform/PortNames.h"
#include "settings/LanguageTable.h"
#include "settings/SettingsStore.h"
#include "support/LocalFiles.h"
#include "support/SimulatedPhone.h"

#include <QtTest>
#include <QtWidgets>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString languageFolder()
{
    return QCoreApplication::applicationDirPath() + u"/lng"_s;
}

template <class Control = QComboBox> Control* child(const QWidget& window, const char* name)
{
    return window.findChild<Control*>(QLatin1String(name));
}

// The captions Alt reaches in a window: its buttons and the labels of its fields.
QStringList captionsIn(const QWidget& window)
{
    QStringList captions;
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
        captions << button->text();
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->buddy())
            captions << label->text();
    }
    return captions;
}

QStringList captionsOf(const QList<QAction*>& actions)
{
    QStringList captions;
    for (const QAction* action : actions) {
        if (!action->isSeparator())
            captions << action->text();
    }
    return captions;
}

QStringList stored(const SettingsStore& store, const QStringList& keys)
{
    QStringList values;
    for (const QString& key : keys)
        values << store.read(key);
    return values;
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
        QVERIFY(texts_.LoadLanguage(languageFolder() + u"/english.lng"_s).status ==
                LanguageTable::LoadStatus::Loaded);
        QCoreApplication::setApplicationVersion(u"1.2.3"_s);
    }

    // The settings open with the current values, each port number with the
    // device it opens, shown whole; OK stores what the user chose.
    void settingsShowAndStoreTheChoices()
    {
        SettingsStore store(folder_.filePath(u"ok.conf"_s));
        const QString cable =
            u"/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0"_s;
        store.writePortDevice(4, cable);
        Settings settings;
        SettingsDialog dialog(store, settings, texts_, languageFolder());
        QCOMPARE(child(dialog, "cmbPort")->currentText(), u"COM4: "_s + cable);
        // Languages by their own names.
        QCOMPARE(child(dialog, "cmbLanguage")->currentText(), u"English"_s);
        QCOMPARE(child(dialog, "cmbLanguage")->itemText(1), u"Deutsch"_s);
        QVERIFY(!child<QCheckBox>(dialog, "chkDisplayCharge")->isChecked());
        QComboBox* device = child(dialog, "cmbDevice");
        QCOMPARE(device->currentText(), cable);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(device->width() >= device->sizeHint().width());
        QVERIFY(device->lineEdit()->fontMetrics().horizontalAdvance(cable) <= device->lineEdit()->width());

        child(dialog, "cmbPort")->setCurrentIndex(11);
        // The user types the device over the one shown; the port list follows.
        QTest::keyClick(device->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(device->lineEdit(), u"/dev/ttyUSB0"_s);
        QCOMPARE(child(dialog, "cmbPort")->currentText(), u"COM12: /dev/ttyUSB0"_s);
        child(dialog, "cmbSize")->setCurrentText(u"0.5"_s);
        child(dialog, "cmbDelay")->setCurrentText(u"500"_s);
        child(dialog, "cmbTimeOut")->setCurrentText(u"15000"_s);
        QTest::keyClicks(child(dialog, "cmbLanguage"), u"D"_s);
        child<QCheckBox>(dialog, "chkDisplayCharge")->setChecked(true);
        QTest::mouseClick(child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
        QCOMPARE(stored(store, {"sieCOMPort", "sieSliceSize", "sieDelay", "sieTimeOut", "sieDisplayCharge",
                                "sysLanguage"}),
                 (QStringList{"12", "512", "500", "15000", "True", "german.lng"}));
        QCOMPARE(store.readPortDevice(12), u"/dev/ttyUSB0"_s);
    }

    // Find phone asks a silent terminal, a missing device and two phones in the
    // background; the first phone is chosen for the port number, a click on the
    // other phone's row chooses that one, and OK stores it.
    void findPhoneChoosesAnAnsweringPort()
    {
        SimulatedPhone first;
        SimulatedPhone second(
            {u"--model"_s, u"ST55"_s, u"--serial"_s, u"351234567899876"_s, u"--firmware"_s, u"18"_s});
        QVERIFY(first.start() && second.start());
        const int silent = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(silent >= 0);
        const auto closeSilent = qScopeGuard([silent] { ::close(silent); });
        QVERIFY(grantpt(silent) == 0 && unlockpt(silent) == 0);
        const QString silentDevice = QString::fromLocal8Bit(ptsname(silent));
        const QString missing = folder_.filePath(u"no-such-tty"_s);
        qputenv(kExtraPortsVariable,
                QStringList{silentDevice, missing, first.device(), second.device()}.join(u':').toLocal8Bit());
        const auto unset = qScopeGuard([] { qunsetenv(kExtraPortsVariable); });

        SettingsStore store(folder_.filePath(u"find.conf"_s));
        Settings settings;
        SettingsDialog dialog(store, settings, texts_, languageFolder());
        dialog.setSurveyAnswerBound(150);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* find = child<QPushButton>(dialog, "cmdFindPhone");
        QTest::mouseClick(find, Qt::LeftButton);
        QCOMPARE(find->text(), u"Stop &finding"_s);
        QTRY_COMPARE_WITH_TIMEOUT(find->text(), u"&Find phone"_s, 5000);

        auto* list = child<QListWidget>(dialog, "lstFoundPorts");
        auto rowOf = [list](const QString& device) -> QListWidgetItem* {
            for (int i = 0; i < list->count(); ++i) {
                if (list->item(i)->text().startsWith(device + u": "_s))
                    return list->item(i);
            }
            return nullptr;
        };
        for (const QString& device : {silentDevice, missing, first.device(), second.device()})
            QVERIFY2(rowOf(device), qPrintable(device));
        QCOMPARE(rowOf(first.device())->text(),
                 first.device() + u": ST60, firmware 21, serial number \u20260123"_s);
        QCOMPARE(rowOf(silentDevice)->text(), silentDevice + u": does not answer"_s);
        QCOMPARE(rowOf(missing)->text(), missing + u": no such device"_s);
        QCOMPARE(child(dialog, "cmbPort")->currentText(), u"COM4: "_s + first.device());
        QCOMPARE(child<QLabel>(dialog, "lblFindProgress")->text(), u"Chosen: "_s + first.device());

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(rowOf(second.device())).center());
        QCOMPARE(child(dialog, "cmbPort")->currentText(), u"COM4: "_s + second.device());
        QTest::mouseClick(child<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
        QCOMPARE(store.read(u"sieCOMPort"_s), u"4"_s);
        QCOMPARE(store.readPortDevice(4), second.device());
    }

    // Values no list offers are kept, not replaced by the first entry.
    void settingsWithoutChoiceKeepTheirValue()
    {
        QTemporaryDir noLanguages;
        SettingsStore store(folder_.filePath(u"keep.conf"_s));
        Settings settings{.SliceSize = 3000, .DelayTime = 700, .TimeOutTime = 4000, .COMPort = 20};
        settings.LanguageFile = u"mine.lng"_s;
        SettingsDialog dialog(store, settings, texts_, noLanguages.path());
        for (const char* name : {"cmbPort", "cmbSize", "cmbDelay", "cmbTimeOut", "cmbLanguage"})
            QCOMPARE(child(dialog, name)->currentIndex(), -1);
        child<QPushButton>(dialog, "cmdOK")->click();
        QCOMPARE(stored(store, {"sieCOMPort", "sieSliceSize", "sieDelay", "sieTimeOut", "sysLanguage"}),
                 (QStringList{"20", "3000", "700", "4000", ""}));
        QCOMPARE(settings.LanguageFile, u"mine.lng"_s);
    }

    // Every menu item, dialog button and field label has its Alt key, and no
    // two of one menu or window share one, in every shipped language.
    void mnemonicsAreUniqueInEachMenuAndWindow_data()
    {
        QTest::addColumn<QString>("file");
        for (const QString& file : QDir(languageFolder()).entryList({u"*.lng"_s}, QDir::Files))
            QTest::newRow(qPrintable(file)) << file;
    }

    void mnemonicsAreUniqueInEachMenuAndWindow()
    {
        QFETCH(QString, file);
        LanguageTable texts;
        QVERIFY(texts.LoadLanguage(languageFolder() + u'/' + file).status ==
                LanguageTable::LoadStatus::Loaded);
        SettingsStore store(folder_.filePath(u"keys.conf"_s));
        ExplorerWindow window(store, texts);
        window.ApplyLanguage();
        QList<std::pair<QString, QStringList>> groups{
            {u"menu bar and folder label"_s, captionsOf(window.menuBar()->actions())
                                                 << child<QLabel>(window, "lblP0")->text()}};
        for (const QMenu* menu : window.findChildren<QMenu*>(QRegularExpression(u"^mnu"_s)))
            groups << std::pair{menu->objectName(), captionsOf(menu->actions())};
        Settings settings;
        const SettingsDialog settingsDialog(store, settings, texts, languageFolder());
        const FolderChooser chooser(folder_.path(), texts);
        const LineLogWindow lineLog(window.link(), texts, &window);
        for (const QWidget* dialog :
             {static_cast<const QWidget*>(&settingsDialog), static_cast<const QWidget*>(&chooser),
              static_cast<const QWidget*>(&lineLog)})
            groups << std::pair{dialog->objectName(), captionsIn(*dialog)};
        // Boxes and toolbars built as they open, by their texts.
        const std::pair<const char*, QList<int>> numbered[] = {{"overwrite question", {146, 147, 148, 12}},
                                                               {"Java manager", {281, 282, 283, 284, 285}},
                                                               {"About box", {11, 475}},
                                                               {"Java sending question", {423}}};
        for (const auto& [name, numbers] : numbered) {
            QStringList captions;
            for (const int number : numbers)
                captions << texts.GetString(number);
            groups << std::pair{QString::fromLatin1(name), captions};
        }
        groups.last().second << u"&Yes"_s << u"&No"_s;
        for (const auto& [group, captions] : std::as_const(groups)) {
            QSet<QKeySequence> keys;
            for (const QString& caption : captions) {
                const QKeySequence key = QKeySequence::mnemonic(caption);
                const QString where = group + u": "_s + caption;
                QVERIFY2(!key.isEmpty() && !keys.contains(key), qPrintable(where));
                keys << key;
            }
        }
    }

    // The labels answer the pointer; the revision takes four digits at least.
    void aboutBoxAnswersThePointer()
    {
        QCOMPARE(AboutBox::formatVersion(2, 10, 12345), u"2.10.12345"_s);
        AboutBox about(texts_);
        QCOMPARE(child<QLabel>(about, "lblVer")->text(), u"1.2.0003"_s);
        auto* greetings = child<QLabel>(about, "lblGreetings");
        auto* ok = child<QLabel>(about, "lblOK");
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::mouseMove(greetings);
        QTest::mouseMove(ok);
        QTRY_COMPARE(ok->palette().color(QPalette::WindowText), AboutBox::hoverColour());
        QCOMPARE(greetings->palette().color(QPalette::WindowText), AboutBox::normalColour());
        QTest::mousePress(ok, Qt::LeftButton);
        QCOMPARE(ok->palette().color(QPalette::WindowText), AboutBox::pressedColour());

        QString shown;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->windowTitle() + QLatin1Char('|') + box->text();
                box->accept();
            }
        });
        QTest::mouseClick(greetings, Qt::LeftButton);
        QVERIFY(shown.startsWith(u"Greetings|  I would like to thank the following people:\r\n   ===="_s));
        QTest::mouseRelease(ok, Qt::LeftButton);
        QTRY_VERIFY(!about.isVisible());
    }

    // A click in a row's check box or on its name turns the choice over.
    void chooserTogglesOnAClickInTheBoxOrOnTheName()
    {
        QTemporaryDir source;
        writeLocal(source.filePath(u"a.png"_s), "a");
        writeLocal(source.filePath(u"b.txt"_s), "b");
        FolderChooser chooser(source.path(), texts_);
        chooser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chooser));
        auto* list = child<QListWidget>(chooser, "lstFiles");
        auto clickAndRead = [&](int row, QStyle::SubElement part) {
            QStyleOptionViewItem option;
            option.initFrom(list->viewport());
            option.rect = list->visualItemRect(list->item(row));
            option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
            option.text = list->item(row)->text();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->style()->subElementRect(part, &option, list).center());
            QStringList names;
            for (const ChosenFile& item : chooser.chosenFiles())
                names << QFileInfo(item.LocalPath).fileName();
            return names;
        };
        QCOMPARE(clickAndRead(0, QStyle::SE_ItemViewItemCheckIndicator), QStringList{"b.txt"});
        QCOMPARE(clickAndRead(1, QStyle::SE_ItemViewItemText), QStringList());
        QCOMPARE(clickAndRead(0, QStyle::SE_ItemViewItemCheckIndicator), QStringList{"a.png"});
        QCOMPARE(clickAndRead(1, QStyle::SE_ItemViewItemText), (QStringList{"a.png", "b.txt"}));
    }

    // The journal's entries as the user sees them; Forget drops the one clicked, and only that one.
    void repairsDialogForgetsTheChosenEntry()
    {
        RepairJournal journal(folder_.filePath(u"journal/repair-journal.json"_s));
        RepairJournal::Entry entry;
        entry.phone = u"serial:1"_s;
        entry.phoneShown = u"ST60 \u20261234"_s;
        entry.folder = u"/ml"_s;
        entry.name = u"a.bin"_s;
        const QString first = journal.add(entry);
        entry.kind = RepairJournal::Kind::RestoreFile;
        entry.name = u"b\nfake.bin"_s;
        QVERIFY(!first.isEmpty() && !journal.add(entry).isEmpty());
        RepairsDialog dialog(journal, texts_);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* list = child<QTreeWidget>(dialog, "tvRepairs");
        QCOMPARE(list->topLevelItemCount(), 2);
        // A name from the phone never carries a control character onto the screen.
        QCOMPARE(list->topLevelItem(1)->text(2).contains(QLatin1Char('\n')), false);
        const QRect row = list->visualItemRect(list->topLevelItem(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseClick(child<QPushButton>(dialog, "cmdForget"), Qt::LeftButton);
        QCOMPARE(journal.entries().size(), 1);
        QCOMPARE(journal.entries().first().id, first);
        QCOMPARE(list->topLevelItemCount(), 1);
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
