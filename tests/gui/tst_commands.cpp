#include "ExplorerFixture.h"
#include "GuiFiles.h"
#include "dialogs/FolderChooser.h"
#include "dialogs/SettingsDialog.h"
#include "explorer/FileList.h"
#include "explorer/LineLogWindow.h"
#include "explorer/LocalPane.h"
#include "platform/OpenWith.h"

#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>
#include <QUrl>

namespace {

QStringList phoneFilesNamed(const SimulatedPhone& phone, const QString& name)
{
    QStringList found;
    QDirIterator it(phone.root(), {name}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next().mid(phone.root().size());
    found.sort();
    return found;
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
    void init() { recordOpenedFiles(opened_); }

    void downloadsByToolbarMenuAndDrag_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::newRow("toolbar") << QStringLiteral("toolbar");
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

        // No program takes the file: the user learns so, and where it lies.
        OpenWith::setOpener([](const QString&) { return false; });
        const QTreeWidgetItem* row =
            fixture.list()->findItems(QStringLiteral("a.txt"), Qt::MatchExactly).first();
        // A double-click as the window system delivers it: press, release, double-click, release.
        const QPoint onRow = fixture.list()->visualItemRect(row).center();
        QTest::mouseClick(fixture.list()->viewport(), Qt::LeftButton, {}, onRow);
        QTest::mouseDClick(fixture.list()->viewport(), Qt::LeftButton, {}, onRow);
        QTest::mouseRelease(fixture.list()->viewport(), Qt::LeftButton, {}, onRow);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.window->panelText(1),
                                  fixture.text(88) + QLatin1Char(' ') +
                                      QDir::toNativeSeparators(temp + QStringLiteral("a.txt")) +
                                      QLatin1Char('.'),
                                  5000);
    }

    void focusStaysWhereTheUserWorks_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::newRow("folder click") << QStringLiteral("folder");
        QTest::newRow("download") << QStringLiteral("download");
        QTest::newRow("upload drop") << QStringLiteral("drop");
    }

    void focusStaysWhereTheUserWorks()
    {
        QFETCH(QString, gesture);
        ExplorerFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/a.txt"), "a");
        QVERIFY(fixture.start());
        fixture.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fixture.window.get()));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(fixture.tree()));
        fixture.clickNode(QStringLiteral("/ml/"));
        QWidget* expected = fixture.tree();
        if (gesture != QLatin1String("folder")) {
            fixture.clickRow(QStringLiteral("a.txt"));
            expected = fixture.list();
        }
        if (gesture == QLatin1String("download")) {
            fixture.find<QAction>(QStringLiteral("mnuFDownload"))->trigger();
            QCOMPARE(readLocal(fixture.localFolder() + QStringLiteral("/a.txt")), QByteArray("a"));
        } else if (gesture == QLatin1String("drop")) {
            const QString file = writeLocal(fixture.folder.filePath(QStringLiteral("up.txt")), "u");
            dropOnto(fixture.list()->viewport(), fileDrop({file}));
            QTRY_VERIFY_WITH_TIMEOUT(fixture.phone.hasFile(QStringLiteral("ml/up.txt")), 10000);
            QTRY_VERIFY_WITH_TIMEOUT(!fixture.window->isCommandRunning(), 10000);
        }
        QCOMPARE(QApplication::focusWidget(), expected);
        QVERIFY(!fixture.find<QLineEdit>(QStringLiteral("txtURL"))->hasSelectedText());
    }

    void failureReasonsStayVisible_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("reason");
        QTest::addColumn<int>("failed");
        QTest::addColumn<int>("summary");
        QTest::newRow("download refused") << "download"
                                          << "QFRF=error@1" << 73 << 1 << 84;
        QTest::newRow("two downloads refused") << "download"
                                               << "QFRF=error@2" << 73 << 2 << 79;
        QTest::newRow("delete refused") << "delete"
                                        << "QFDF=error@1" << 69 << 1 << 85;
        QTest::newRow("upload refused") << "upload"
                                        << "QFWF=error@1" << 59 << 1 << 83;
        QTest::newRow("queued file vanished") << "vanish"
                                              << "" << 107 << 1 << 83;
        QTest::newRow("chooser cancelled") << "cancel"
                                           << "" << 0 << 0 << 87;
    }

    void failureReasonsStayVisible()
    {
        QFETCH(QString, gesture);
        QFETCH(QString, fault);
        QFETCH(int, reason);
        QFETCH(int, failed);
        QFETCH(int, summary);
        ExplorerFixture fixture(fault.isEmpty() ? QStringList()
                                                : QStringList{QStringLiteral("--fault"), fault});
        fixture.phone.putFile(QStringLiteral("ml/a.txt"), "a");
        fixture.phone.putFile(QStringLiteral("ml/b.txt"), "b");
        QVERIFY(fixture.start());
        fixture.clickNode(QStringLiteral("/ml/"));
        fixture.clickRow(QStringLiteral("a.txt"));
        fixture.clickRow(QStringLiteral("b.txt"), Qt::ControlModifier);
        const QString album = fixture.folder.filePath(QStringLiteral("album"));
        writeLocal(album + QStringLiteral("/one.txt"), "1");
        writeLocal(album + QStringLiteral("/two.txt"), "2");
        if (gesture == QLatin1String("download")) {
            writeLocal(fixture.localFolder() + QStringLiteral("/a.txt"), "mine");
            // Replacing is allowed: a refused download must still leave the file as it was.
            onNextModal<QMessageBox>([](QMessageBox* question) {
                QTest::mouseClick(question->findChild<QPushButton*>(QStringLiteral("cmdOverwriteAll")),
                                  Qt::LeftButton);
            });
            QTest::mouseClick(fixture.find<QToolButton>(QStringLiteral("tlbMain_Download")), Qt::LeftButton);
            QCOMPARE(readLocal(fixture.localFolder() + QStringLiteral("/a.txt")), QByteArray("mine"));
        } else if (gesture == QLatin1String("delete")) {
            answerNextMessageBox(QMessageBox::Yes);
            QTest::keyClick(fixture.list(), Qt::Key_Delete);
            QVERIFY(fixture.phone.hasFile(QStringLiteral("ml/a.txt")));
            QVERIFY(!fixture.phone.hasFile(QStringLiteral("ml/b.txt")));
        } else if (gesture == QLatin1String("upload")) {
            dropOnto(fixture.list()->viewport(),
                     fileDrop({album + QStringLiteral("/one.txt"), album + QStringLiteral("/two.txt")}));
        } else {
            const bool vanish = gesture == QLatin1String("vanish");
            // By value: the drop is handled after dropOnto() has returned.
            onNextModal<FolderChooser>([album, vanish](FolderChooser* chooser) {
                QFile::remove(album + QStringLiteral("/one.txt"));
                chooser
                    ->findChild<QPushButton*>(vanish ? QStringLiteral("cmdOK") : QStringLiteral("cmdCancel"))
                    ->click();
            });
            dropOnto(fixture.list()->viewport(), fileDrop({album}));
        }
        // The first reason, then how many files failed.
        if (failed == 0) {
            QTRY_COMPARE_WITH_TIMEOUT(fixture.window->panelText(1), fixture.text(summary), 10000);
            QCOMPARE(uploadedNames(fixture.phone.commands()), QStringList());
            return;
        }
        const QString tail = QStringLiteral(" %1 ").arg(failed) + fixture.text(summary);
        QTRY_VERIFY2_WITH_TIMEOUT(fixture.window->panelText(1).endsWith(tail),
                                  qPrintable(fixture.window->panelText(1)), 10000);
        const QString panel = fixture.window->panelText(1);
        QVERIFY2(panel.contains(fixture.text(reason)), qPrintable(panel));
        QVERIFY(
            fixture.find<QLabel>(QStringLiteral("stbMain_Panel1"))->toolTip().contains(fixture.text(reason)));
    }

    // The question names the file, or the number of files; without a
    // selection Delete and Download are disabled and the key asks nothing.
    void deleteAsksFirst_data()
    {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QStringList>("remaining");
        QTest::newRow("Yes") << QStringList{"a.txt", "c.txt"} << int(QMessageBox::Yes) << "471 2."
                             << QStringList{"b.txt"};
        QTest::newRow("No") << QStringList{"a.txt"} << int(QMessageBox::No) << "470 /ml/a.txt?"
                            << QStringList{"a.txt", "b.txt", "c.txt"};
        QTest::newRow("nothing selected")
            << QStringList() << int(QMessageBox::Yes) << QString() << QStringList{"a.txt", "b.txt", "c.txt"};
    }

    void deleteAsksFirst()
    {
        QFETCH(QStringList, selected);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(QStringList, remaining);
        ExplorerFixture fixture;
        for (const char* name : {"ml/a.txt", "ml/b.txt", "ml/c.txt"})
            fixture.phone.putFile(QLatin1String(name), "x");
        QVERIFY(fixture.start());
        fixture.clickNode(QStringLiteral("/ml/"));
        for (qsizetype i = 0; i < selected.size(); ++i)
            fixture.clickRow(selected.at(i), i == 0 ? Qt::NoModifier : Qt::ControlModifier);
        auto* deleteButton = fixture.find<QToolButton>(QStringLiteral("tlbMain_Delete"));
        QCOMPARE(deleteButton->isEnabled(), !selected.isEmpty());
        QCOMPARE(fixture.find<QToolButton>(QStringLiteral("tlbMain_Download"))->isEnabled(),
                 !selected.isEmpty());
        QString asked;
        QTimer* answering = answerNextMessageBox(QMessageBox::StandardButton(answer), &asked);
        if (selected.isEmpty())
            QTest::keyClick(fixture.list(), Qt::Key_Delete);
        else
            QTest::mouseClick(deleteButton, Qt::LeftButton);
        if (question.isEmpty())
            delete answering;
        const QString number = question.section(QLatin1Char(' '), 0, 0);
        QCOMPARE(asked,
                 question.isEmpty() ? QString() : fixture.text(number.toInt()) + question.mid(number.size()));
        QCOMPARE(QDir(fixture.phone.root() + QStringLiteral("/ml")).entryList(QDir::Files), remaining);
        // The list shows the phone's files after the command.
        QCOMPARE(fixture.rowNames(), remaining);
    }

    void deleteRemovesOnlyTheFileShown_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("folder"); // the folder the list then shows
        QTest::newRow("right click on another folder") << "right click"
                                                       << "sunset.png"
                                                       << "/ml/im/";
        QTest::newRow("empty tree space, then Up") << "empty, Up"
                                                   << "sunset.png"
                                                   << "/ml/ci/";
        QTest::newRow("favourite of a missing folder") << "favourite 4"
                                                       << "x.txt"
                                                       << "/ml/";
        QTest::newRow("favourite beside a same-named folder") << "other, favourite 1"
                                                              << "p.png"
                                                              << "/ml/im/";
    }

    void deleteRemovesOnlyTheFileShown()
    {
        QFETCH(QString, gesture);
        QFETCH(QString, file);
        QFETCH(QString, folder);
        ExplorerFixture fixture;
        for (const char* path : {"x.txt", "ml/x.txt", "ml/im/sunset.png", "ml/ci/sunset.png",
                                 "ml/ri/tone.mid", "ml/im/p.png", "other/im/p.png"})
            fixture.phone.putFile(QLatin1String(path), "x");
        if (gesture != QLatin1String("favourite 4"))
            fixture.phone.putFile(QStringLiteral("ml/vd/clip.3gp"), "v");
        QVERIFY(fixture.start());
        fixture.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fixture.window.get()));

        if (gesture.startsWith(QLatin1String("favourite"))) {
            QTest::mouseClick(fixture.find<QToolButton>(QStringLiteral("tlbFav_4")), Qt::LeftButton);
        } else if (gesture.startsWith(QLatin1String("other"))) {
            fixture.clickNode(QStringLiteral("/ml/"));
            fixture.clickNode(QStringLiteral("/other/"));
            QTest::mouseClick(fixture.find<QToolButton>(QStringLiteral("tlbFav_1")), Qt::LeftButton);
        } else {
            fixture.clickNode(QStringLiteral("/ml/"));
            fixture.clickNode(QStringLiteral("/ml/im/"));
            if (gesture == QLatin1String("right click")) {
                // The menu closed without a choice, then F5: the folder shown is listed again.
                fixture.clickNode(QStringLiteral("/ml/ci/"), Qt::RightButton);
                const QRect ci = fixture.tree()->visualItemRect(fixture.treeNode(QStringLiteral("/ml/ci/")));
                QContextMenuEvent menuWanted(QContextMenuEvent::Mouse, ci.center(),
                                             fixture.tree()->viewport()->mapToGlobal(ci.center()));
                QCoreApplication::sendEvent(fixture.tree()->viewport(), &menuWanted);
                auto* menu = fixture.find<QMenu>(QStringLiteral("mnuFolderOp"));
                QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), 5000);
                QTest::keyClick(menu, Qt::Key_Escape);
                QTRY_COMPARE_WITH_TIMEOUT(fixture.currentTag(), folder, 5000);
                // As the window manager does once the menu is gone (offscreen leaves the menu active).
                QApplication::setActiveWindow(fixture.window.get());
                QTest::keyClick(fixture.tree(), Qt::Key_F5);
            } else {
                QWidget* space = fixture.tree()->viewport();
                QTest::mouseClick(space, Qt::LeftButton, {}, QPoint(space->width() / 2, space->height() - 3));
                QTest::keyClick(fixture.tree(), Qt::Key_Up);
            }
        }
        // The rows show one folder; a keyboard move in the tree lists the folder it reaches.
        QTRY_COMPARE_WITH_TIMEOUT(fixture.rowFolders(), QStringList{folder}, 5000);
        QCOMPARE(fixture.currentTag(), folder);
        if (gesture == QLatin1String("favourite 4"))
            QVERIFY(fixture.window->panelText(1).startsWith(fixture.text(81) + QStringLiteral(" /ml/vd/")));

        const QStringList before = phoneFilesNamed(fixture.phone, file);
        fixture.clickRow(file);
        answerNextMessageBox(QMessageBox::Yes);
        QTest::keyClick(fixture.list(), Qt::Key_Delete);
        QStringList expected = before;
        expected.removeOne(folder + file);
        QCOMPARE(phoneFilesNamed(fixture.phone, file), expected);
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
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(1)).center());
            chooser->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        });
        // Taken as a copy: the file manager must keep the originals.
        QCOMPARE(dropOnto(fixture.list()->viewport(), fileDrop({first, second, album})), Qt::CopyAction);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.window->panelText(1), fixture.text(65), 20000);

        QCOMPARE(listed, (QStringList{"p1.png", "p2.png", "p3.png"}));
        QCOMPARE(uploadedNames(fixture.phone.commands()),
                 (QStringList{"one.bin", "two words.txt", "p1.png", "p3.png"}));
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("ml/im/one.bin")), patterned(25000, 3));
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("ml/im/two words.txt")), QByteArray("two"));
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("ml/im/p3.png")), patterned(10240, 5));
        QVERIFY(!fixture.phone.hasFile(QStringLiteral("ml/im/p2.png")));
        QCOMPARE(fixture.rowNames(), (QStringList{"one.bin", "p1.png", "p3.png", "two words.txt"}));
        QVERIFY(QFile::exists(first));
    }

    void lineLogShowsTheLineOnlyWhileOpen()
    {
        ExplorerFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/notes.txt"), QByteArray(3000, 'n'));
        QVERIFY(fixture.start());
        fixture.find<QAction>(QStringLiteral("mnuViewLineLog"))->trigger();
        auto* logWindow = fixture.window->findChild<LineLogWindow*>(QStringLiteral("frmLineLog"));
        auto* log = fixture.window->findChild<QPlainTextEdit*>(QStringLiteral("txtLineLog"));
        QVERIFY(logWindow && logWindow->isVisible());
        // The start-up's listing passed while the log was closed.
        QCOMPARE(log->toPlainText(), QString());

        fixture.clickFolder(QStringLiteral("/ml/"));
        fixture.selectRows({QStringLiteral("notes.txt")});
        QTest::mouseClick(fixture.find<QToolButton>(QStringLiteral("tlbMain_Download")), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.window->panelText(1), fixture.text(71), 10000);
        const QString upload =
            writeLocal(fixture.folder.filePath(QStringLiteral("up.bin")), patterned(300, 7));
        QCOMPARE(dropOnto(fixture.list()->viewport(), fileDrop({upload})), Qt::CopyAction);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.window->panelText(1), fixture.text(65), 10000);

        const QString lines = log->toPlainText();
        for (const char* expected : {"→ AT+QFSL=", "← OK\\r\\n", "← +QFRF: 3000\\r\\n",
                                     "← [3000 B] 6E 6E 6E 6E 6E 6E 6E 6E 6E 6E 6E 6E 6E 6E 6E 6E …", "← > ",
                                     "→ [302 B] 07 8A 0D 90 13 96 19 9C 1F A2 25 A8 2B AE 31 B4 …"})
            QVERIFY2(lines.contains(QString::fromUtf8(expected)), qPrintable(lines));
        QVERIFY(!lines.contains(QStringLiteral("nnnnnnnnnnnnnnnnn")));

        logWindow->close();
        const int shown = log->blockCount();
        fixture.clickFolder(QStringLiteral("/"));
        QCOMPARE(log->blockCount(), shown);

        // Open, it keeps the newest lines only.
        logWindow->show();
        for (int i = 0; i < 3 * LineLogWindow::kKeptLines; ++i)
            logWindow->trace().received("+CMTI: \"SM\"," + QByteArray::number(i) + "\r\n");
        QCOMPARE(log->blockCount(), LineLogWindow::kKeptLines);
        QVERIFY(
            log->toPlainText().endsWith(QStringLiteral(",%1\\r\\n").arg(3 * LineLogWindow::kKeptLines - 1)));
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

    // Only a new port reconnects and lists the new phone from its root; the
    // other settings apply to the window as it is.
    void settingsDialogReRunsTheStartUp_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("port");
        QTest::newRow("OK") << true << QStringLiteral("cmdOK") << 7;
        QTest::newRow("OK, same port") << true << QStringLiteral("cmdOK") << 4;
        QTest::newRow("close box") << false << QString() << 7;
    }

    void settingsDialogReRunsTheStartUp()
    {
        QFETCH(bool, confirm);
        QFETCH(QString, how);
        QFETCH(int, port);
        ExplorerFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/m.txt"), "m");
        QVERIFY(fixture.start());
        fixture.clickNode(QStringLiteral("/ml/"));
        // A second phone on COM7 that the dialog switches to.
        SimulatedPhone other;
        other.putFile(QStringLiteral("other.txt"), "o");
        QVERIFY(other.start());
        fixture.store->writePortDevice(7, other.device());

        onNextModal<SettingsDialog>([how, port](SettingsDialog* dialog) {
            dialog->findChild<QComboBox*>(QStringLiteral("cmbPort"))->setCurrentIndex(port - 1);
            dialog->findChild<QComboBox*>(QStringLiteral("cmbSize"))->setCurrentIndex(0);
            // Languages are listed by their own names: "D" picks Deutsch.
            QTest::keyClicks(dialog->findChild<QComboBox*>(QStringLiteral("cmbLanguage")),
                             QStringLiteral("D"));
            if (how.isEmpty())
                dialog->close();
            else
                dialog->findChild<QPushButton*>(how)->click();
        });
        fixture.find<QToolButton>(QStringLiteral("tlbMain_Settings"))->click();

        const bool newPort = confirm && port != 4;
        QCOMPARE(fixture.store->read(QStringLiteral("sieCOMPort")), QString::number(confirm ? port : 4));
        QCOMPARE(fixture.store->read(QStringLiteral("sieSliceSize")),
                 confirm ? QStringLiteral("512") : QStringLiteral("10240"));
        QCOMPARE(fixture.window->settings().SliceSize, confirm ? 512 : 10240);
        QCOMPARE(fixture.tree()->topLevelItemCount(), 1);
        QCOMPARE(fixture.rowNames(), newPort ? QStringList{"other.txt"} : QStringList{"m.txt"});
        QCOMPARE(fixture.currentTag(), newPort ? QStringLiteral("/") : QStringLiteral("/ml/"));
        QCOMPARE(fixture.find<QToolButton>(QStringLiteral("tlbMain_Refresh"))->text(),
                 confirm ? QStringLiteral("Aktualisieren") : QStringLiteral("Refresh"));
    }
};

QTEST_MAIN(CommandsTest)
#include "tst_commands.moc"
