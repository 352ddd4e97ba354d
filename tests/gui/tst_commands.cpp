#include "ExplorerFixture.h"
#include "explorer/FileList.h"
#include "explorer/LocalPane.h"
#include "platform/OpenWith.h"
#include "settings/FolderChooser.h"
#include "settings/SettingsDialog.h"

#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QMimeData>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>
#include <QUrl>

namespace {

QByteArray patterned(int size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 37 + seed) & 0xFF);
    return bytes;
}

QByteArray readLocal(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString writeLocal(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

// Delivers a drop as a desktop file manager does: file URLs and plain text.
// The drop owns its data, as a real drag's does.
void dropOnto(QWidget* target, QMimeData* data)
{
    const std::unique_ptr<QMimeData> owned(data);
    const QPoint centre = target->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(centre, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

QMimeData* fileDrop(const QStringList& paths)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    data->setText(paths.join(QLatin1Char('\n')));
    return data;
}

QStringList uploadedNames(const QStringList& commands)
{
    QStringList names;
    const QRegularExpression write(QStringLiteral("^AT\\+QFWF=\"[0-9A-F]*\",0,\"([0-9A-F]*)\",1,\\d+,1,0$"));
    for (const QString& command : commands) {
        const auto match = write.match(command);
        if (match.hasMatch()) {
            QString name;
            for (qsizetype i = 0; i < match.captured(1).size(); i += 4)
                name += QChar(match.captured(1).mid(i, 4).toUShort(nullptr, 16));
            names << name;
        }
    }
    return names;
}

} // namespace

class CommandsTest : public QObject
{
    Q_OBJECT

    QStringList opened_;

private slots:
    void init()
    {
        opened_.clear();
        OpenWith::setOpener([this](const QString& path) {
            opened_ << path;
            return true;
        });
    }

    void downloadsByToolbarMenuAndDrag_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::newRow("toolbar") << QStringLiteral("toolbar");
        QTest::newRow("context menu") << QStringLiteral("menu");
        QTest::newRow("Alt-drag onto the pane") << QStringLiteral("drag");
    }

    void downloadsByToolbarMenuAndDrag()
    {
        QFETCH(QString, gesture);
        ExplorerFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/im/sunset.png"), patterned(15000, 1));
        fixture.phone.putFile(QStringLiteral("ml/im/Фото моря.png"), patterned(300, 2));
        fixture.phone.putFile(QStringLiteral("ml/im/skip.png"), "not chosen");
        QVERIFY(fixture.start());
        fixture.clickFolder(QStringLiteral("/ml/"));
        fixture.clickFolder(QStringLiteral("/ml/im/"));
        fixture.selectRows({QStringLiteral("sunset.png"), QStringLiteral("Фото моря.png")});

        if (gesture == QLatin1String("toolbar")) {
            fixture.find<QToolButton>(QStringLiteral("tlbMain_Download"))->click();
        } else if (gesture == QLatin1String("menu")) {
            fixture.find<QAction>(QStringLiteral("mnuFDownload"))->trigger();
        } else {
            auto* data = new QMimeData;
            data->setData(QLatin1String(kPhoneRowsMimeType), QByteArray());
            dropOnto(fixture.find<QAbstractItemView>(QStringLiteral("wbDisk"))->viewport(), data);
        }
        QTRY_COMPARE_WITH_TIMEOUT(readLocal(fixture.localFolder() + QStringLiteral("/sunset.png")),
                                  patterned(15000, 1), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(readLocal(fixture.localFolder() + QStringLiteral("/Фото моря.png")),
                                  patterned(300, 2), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.window->panelText(1), fixture.text(71), 10000);
        QVERIFY(!QFile::exists(fixture.localFolder() + QStringLiteral("/skip.png")));
        QVERIFY(opened_.isEmpty());
        QCOMPARE(QDir(fixture.workingFolder()).entryList(QDir::Files), QStringList());
    }

    void doubleClickDownloadsIntoTheWorkingFolderAndOpens()
    {
        ExplorerFixture fixture;
        fixture.phone.putFile(QStringLiteral("a.txt"), "first");
        fixture.phone.putFile(QStringLiteral("b.txt"), "second");
        QVERIFY(fixture.start());
        fixture.selectRows({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
        fixture.window->OpenSelectedRows();
        const QString temp = fixture.window->TempFolder();
        QCOMPARE(readLocal(temp + QStringLiteral("a.txt")), QByteArray("first"));
        QCOMPARE(opened_, QStringList{temp + QStringLiteral("b.txt")});
        QVERIFY(!QFile::exists(fixture.localFolder() + QStringLiteral("/a.txt")));
        // Nothing selected: nothing is fetched and nothing opened.
        opened_.clear();
        fixture.list()->clearSelection();
        fixture.window->OpenSelectedRows();
        QVERIFY(opened_.isEmpty());
        QVERIFY(!fixture.window->OpenAfterDownload);
    }

    void focusStaysWhereTheUserWorks()
    {
        ExplorerFixture fixture;
        fixture.phone.putFile(QStringLiteral("a.txt"), "a");
        QVERIFY(fixture.start());
        fixture.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fixture.window.get()));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(fixture.tree()));
        fixture.list()->setFocus();
        fixture.selectRows({QStringLiteral("a.txt")});
        fixture.find<QAction>(QStringLiteral("mnuFDownload"))->trigger();
        QCOMPARE(readLocal(fixture.localFolder() + QStringLiteral("/a.txt")), QByteArray("a"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(fixture.list()));
    }

    void failedDownloadIsNotReportedAsDone()
    {
        ExplorerFixture fixture({QStringLiteral("--fault"), QStringLiteral("QFRF=error@1")});
        fixture.phone.putFile(QStringLiteral("a.txt"), "a");
        fixture.phone.putFile(QStringLiteral("b.txt"), "b");
        QVERIFY(fixture.start());
        writeLocal(fixture.localFolder() + QStringLiteral("/a.txt"), "mine");
        fixture.selectRows({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
        fixture.window->DownloadCommand();
        QCOMPARE(readLocal(fixture.localFolder() + QStringLiteral("/a.txt")), QByteArray("mine"));
        QCOMPARE(readLocal(fixture.localFolder() + QStringLiteral("/b.txt")), QByteArray("b"));
        QCOMPARE(fixture.window->panelText(1), QStringLiteral("1 ") + fixture.text(79));
    }

    void deleteAsksFirst_data()
    {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("remaining");
        QTest::newRow("Yes") << QStringList{"a.txt", "c.txt"} << int(QMessageBox::Yes)
                             << QStringList{"b.txt"};
        QTest::newRow("No") << QStringList{"a.txt"} << int(QMessageBox::No)
                            << QStringList{"a.txt", "b.txt", "c.txt"};
        QTest::newRow("nothing selected")
            << QStringList() << int(QMessageBox::Yes) << QStringList{"a.txt", "b.txt", "c.txt"};
    }

    void deleteAsksFirst()
    {
        QFETCH(QStringList, selected);
        QFETCH(int, answer);
        QFETCH(QStringList, remaining);
        ExplorerFixture fixture;
        for (const char* name : {"ml/a.txt", "ml/b.txt", "ml/c.txt"})
            fixture.phone.putFile(QLatin1String(name), "x");
        QVERIFY(fixture.start());
        fixture.clickFolder(QStringLiteral("/ml/"));
        fixture.selectRows(selected);
        QString asked;
        answerNextMessageBox(QMessageBox::StandardButton(answer), &asked);
        fixture.find<QToolButton>(QStringLiteral("tlbMain_Delete"))->click();
        QCOMPARE(asked, fixture.text(110));
        QCOMPARE(QDir(fixture.phone.root() + QStringLiteral("/ml")).entryList(QDir::Files), remaining);
        // The list shows the phone's files after the command.
        QCOMPARE(fixture.rowNames(), remaining);
    }

    void dropsUploadFilesThenAFolder()
    {
        ExplorerFixture fixture;
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/ml/im"));
        QVERIFY(fixture.start());
        fixture.clickFolder(QStringLiteral("/ml/"));
        fixture.clickFolder(QStringLiteral("/ml/im/"));

        const QString source = fixture.folder.filePath(QStringLiteral("source"));
        const QString first = writeLocal(source + QStringLiteral("/one.bin"), patterned(25000, 3));
        const QString second = writeLocal(source + QStringLiteral("/two words.txt"), "two");
        const QString album = source + QStringLiteral("/album");
        writeLocal(album + QStringLiteral("/p1.png"), patterned(100, 4));
        writeLocal(album + QStringLiteral("/p2.png"), "unpicked");
        writeLocal(album + QStringLiteral("/p3.png"), patterned(10240, 5));
        writeLocal(album + QStringLiteral("/.hidden"), "never listed");
        QDir().mkpath(album + QStringLiteral("/sub"));

        QStringList listed;
        onNextModal<FolderChooser>([&](FolderChooser* chooser) {
            auto* list = chooser->findChild<QListWidget*>(QStringLiteral("lstFiles"));
            for (int i = 0; i < list->count(); ++i)
                listed << list->item(i)->text();
            list->item(1)->setCheckState(Qt::Unchecked);
            chooser->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        });
        dropOnto(fixture.list()->viewport(), fileDrop({first, second, album}));
        QTRY_COMPARE_WITH_TIMEOUT(fixture.window->panelText(1), fixture.text(65), 20000);

        QCOMPARE(listed, (QStringList{"p1.png", "p2.png", "p3.png"}));
        QCOMPARE(uploadedNames(fixture.phone.commands()),
                 (QStringList{"one.bin", "two words.txt", "p1.png", "p3.png"}));
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("ml/im/one.bin")), patterned(25000, 3));
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("ml/im/two words.txt")), QByteArray("two"));
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("ml/im/p3.png")), patterned(10240, 5));
        QVERIFY(!fixture.phone.hasFile(QStringLiteral("ml/im/p2.png")));
        QCOMPARE(fixture.rowNames(), (QStringList{"one.bin", "p1.png", "p3.png", "two words.txt"}));
    }

    void chooserCancelSendsNothing()
    {
        ExplorerFixture fixture;
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/ml"));
        QVERIFY(fixture.start());
        fixture.clickFolder(QStringLiteral("/ml/"));
        const QString album = fixture.folder.filePath(QStringLiteral("album"));
        writeLocal(album + QStringLiteral("/p1.png"), "1");
        onNextModal<FolderChooser>([](FolderChooser* chooser) {
            chooser->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        });
        fixture.window->UploadDroppedPaths({album});
        QVERIFY(fixture.phone.hasFile(QStringLiteral("ml/p1.png")));
        QFile::remove(fixture.phone.root() + QStringLiteral("/ml/p1.png"));

        onNextModal<FolderChooser>([](FolderChooser* chooser) {
            chooser->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
        });
        fixture.window->UploadDroppedPaths({album});
        QVERIFY(!fixture.phone.hasFile(QStringLiteral("ml/p1.png")));
        QVERIFY(fixture.window->UploadList.isEmpty());
    }

    void rootRefusesDrops()
    {
        ExplorerFixture fixture;
        QVERIFY(fixture.start());
        const QString file = writeLocal(fixture.folder.filePath(QStringLiteral("x.txt")), "x");
        QString said;
        answerNextMessageBox(QMessageBox::Ok, &said);
        fixture.window->UploadDroppedPaths({file});
        QCOMPARE(said, fixture.text(109));
        QCOMPARE(uploadedNames(fixture.phone.commands()), QStringList());
    }

    void dropsWithoutLocalFilesAreIgnored()
    {
        auto* text = new QMimeData;
        text->setText(QStringLiteral("just words"));
        QVERIFY(FileList::localPathsOf(text).isEmpty());
        auto* web = new QMimeData;
        web->setUrls({QUrl(QStringLiteral("https://example.org/a.png"))});
        QVERIFY(FileList::localPathsOf(web).isEmpty());
        std::unique_ptr<QMimeData> files(fileDrop({QStringLiteral("/tmp/a b.txt")}));
        QCOMPARE(FileList::localPathsOf(files.get()), QStringList{"/tmp/a b.txt"});
        delete text;
        delete web;
    }

    void favouritesAfterARootClick()
    {
        ExplorerFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/im/a.png"), "a");
        for (const char* folder : {"ml/ci", "ml/ri", "ml/vd"})
            QDir().mkpath(fixture.phone.root() + QLatin1Char('/') + QLatin1String(folder));
        QVERIFY(fixture.start());
        fixture.clickFolder(QStringLiteral("/"));
        fixture.find<QToolButton>(QStringLiteral("tlbFav_1"))->click();
        QCOMPARE(fixture.tree()->currentItem()->data(0, Qt::UserRole + 1).toString(),
                 QStringLiteral("/ml/im/"));
        QCOMPARE(fixture.rowNames(), QStringList{"a.png"});
        // Pressing it again does not grow a second copy of /ml/'s folders.
        fixture.find<QToolButton>(QStringLiteral("tlbFav_1"))->click();
        QCOMPARE(fixture.childNames(QStringLiteral("/ml/")), (QStringList{"ci", "im", "ri", "vd"}));
        // No Java folder on this phone: the Java favourite does nothing.
        fixture.find<QToolButton>(QStringLiteral("tlbFav_5"))->click();
        QCOMPARE(fixture.tree()->currentItem()->data(0, Qt::UserRole + 1).toString(),
                 QStringLiteral("/ml/im/"));
    }

    void settingsDialogReRunsTheStartUp_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("how");
        QTest::newRow("OK") << true << QStringLiteral("cmdOK");
        QTest::newRow("Cancel") << false << QStringLiteral("cmdCancel");
        QTest::newRow("close box") << false << QString();
    }

    void settingsDialogReRunsTheStartUp()
    {
        QFETCH(bool, confirm);
        QFETCH(QString, how);
        ExplorerFixture fixture;
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/ml"));
        QVERIFY(fixture.start());
        fixture.clickFolder(QStringLiteral("/ml/"));
        // A second phone on COM7 that the dialog switches to.
        SimulatedPhone other;
        other.putFile(QStringLiteral("other.txt"), "o");
        QVERIFY(other.start());
        fixture.store->writePortDevice(7, other.device());

        onNextModal<SettingsDialog>([how](SettingsDialog* dialog) {
            dialog->findChild<QComboBox*>(QStringLiteral("cmbPort"))->setCurrentIndex(6);
            dialog->findChild<QComboBox*>(QStringLiteral("cmbSize"))->setCurrentIndex(0);
            dialog->findChild<QComboBox*>(QStringLiteral("cmbLanguage"))
                ->setCurrentText(QStringLiteral("german.lng"));
            if (how.isEmpty())
                dialog->close();
            else
                dialog->findChild<QPushButton*>(how)->click();
        });
        fixture.find<QToolButton>(QStringLiteral("tlbMain_Settings"))->click();

        QCOMPARE(fixture.store->read(QStringLiteral("sieCOMPort")),
                 confirm ? QStringLiteral("7") : QStringLiteral("4"));
        QCOMPARE(fixture.store->read(QStringLiteral("sieSliceSize")),
                 confirm ? QStringLiteral("512") : QStringLiteral("10240"));
        QCOMPARE(fixture.window->settings().SliceSize, confirm ? 512 : 10240);
        // Rebuilt from the root either way, on the port now chosen.
        QCOMPARE(fixture.tree()->topLevelItemCount(), 1);
        QCOMPARE(fixture.childNames(QStringLiteral("/ml/")), QStringList());
        QCOMPARE(fixture.rowNames(), confirm ? QStringList{"other.txt"} : QStringList());
        QCOMPARE(fixture.find<QToolButton>(QStringLiteral("tlbMain_Refresh"))->text(),
                 confirm ? QStringLiteral("Aktualisieren") : QStringLiteral("Refresh"));
    }

    void secondCommandIsRefusedWhileOneWaits()
    {
        ExplorerFixture fixture({QStringLiteral("--fault"), QStringLiteral("QFDF=late:400")});
        fixture.phone.putFile(QStringLiteral("ml/a.txt"), "a");
        fixture.phone.putFile(QStringLiteral("ml/b.txt"), "b");
        QVERIFY(fixture.start());
        fixture.clickFolder(QStringLiteral("/ml/"));
        fixture.selectRows({QStringLiteral("a.txt")});
        bool refused = false;
        QTimer::singleShot(150, [&] {
            refused = fixture.window->isCommandRunning();
            fixture.selectRows({QStringLiteral("b.txt")});
            fixture.window->DeleteCommand(); // refused: no question is asked
        });
        answerNextMessageBox(QMessageBox::Yes);
        fixture.window->DeleteCommand();
        QVERIFY(refused);
        QVERIFY(fixture.phone.hasFile(QStringLiteral("ml/b.txt")));
        QVERIFY(!fixture.phone.hasFile(QStringLiteral("ml/a.txt")));
    }
};

QTEST_MAIN(CommandsTest)
#include "tst_commands.moc"
