#include "ExplorerFixture.h"
#include "dialogs/FolderChooser.h"
#include "dialogs/SettingsDialog.h"
#include "explorer/LineLogWindow.h"
#include "phone/NameCodec.h"

namespace {

QStringList uploadedNames(const QStringList& commands)
{
    QStringList names;
    const QRegularExpression write(u"^AT\\+QFWF=\"[0-9A-F]*\",0,\"([0-9A-F]*)\",1,\\d+,1,0$"_s);
    for (const QString& command : commands.filter(write))
        names << DecodeName(write.match(command).captured(1));
    return names;
}

} // namespace

class CommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void failureReasonsStayVisible_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("reason");
        QTest::addColumn<int>("failed");
        QTest::addColumn<int>("summary");
        QTest::newRow("download refused") << u"download"_s << u"QFRF=error@1"_s << 73 << 1 << 84;
        QTest::newRow("two downloads refused") << u"download"_s << u"QFRF=error@2"_s << 73 << 2 << 79;
        QTest::newRow("delete refused") << u"delete"_s << u"QFDF=error@1"_s << 69 << 1 << 85;
        QTest::newRow("upload refused") << u"upload"_s << u"QFWF=error@1"_s << 59 << 1 << 83;
        QTest::newRow("queued file vanished") << u"vanish"_s << u""_s << 107 << 1 << 83;
        QTest::newRow("chooser cancelled") << u"cancel"_s << u""_s << 0 << 0 << 87;
    }

    void failureReasonsStayVisible()
    {
        QFETCH(QString, gesture);
        QFETCH(QString, fault);
        QFETCH(int, reason);
        QFETCH(int, failed);
        QFETCH(int, summary);
        ExplorerFixture fixture(fault.isEmpty() ? QStringList() : QStringList{u"--fault"_s, fault});
        QVERIFY(fixture.startWith({"ml/a.txt", "ml/b.txt"}));
        fixture.clickNode(u"/ml/"_s);
        fixture.clickRow(u"a.txt"_s);
        fixture.clickRow(u"b.txt"_s, Qt::ControlModifier);
        const QString album = fixture.folder.filePath(u"album"_s);
        writeLocal(album + u"/one.txt"_s, "1");
        writeLocal(album + u"/two.txt"_s, "2");
        if (gesture == "download") {
            fixture.press(u"tlbMain_Download"_s);
        } else if (gesture == "delete") {
            QStringList asked;
            answerBoxes({u"Yes"_s}, &asked);
            fixture.press(u"tlbMain_Delete"_s);
            QCOMPARE(asked, QStringList{fixture.text(471) + u" 2."_s});
            QVERIFY(fixture.phone.hasFile(u"ml/a.txt"_s) && !fixture.phone.hasFile(u"ml/b.txt"_s));
            QCOMPARE(fixture.rowNames(), QStringList{"a.txt"}); // the phone's files after the command
        } else if (gesture == "upload") {
            dropOnto(fixture.list()->viewport(), fileDrop({album + u"/one.txt"_s, album + u"/two.txt"_s}));
        } else {
            // By value: the drop is handled after dropOnto() has returned.
            onNextModal<FolderChooser>([album, gesture](FolderChooser* chooser) {
                QFile::remove(album + u"/one.txt"_s);
                chooser->findChild<QPushButton*>(gesture == "vanish" ? u"cmdOK"_s : u"cmdCancel"_s)->click();
            });
            dropOnto(fixture.list()->viewport(), fileDrop({album}));
        }
        // The first reason, then how many files failed.
        if (failed == 0) {
            WAIT_COMPARE(fixture.panel(), fixture.text(summary), 10000);
            QCOMPARE(uploadedNames(fixture.phone.commands()), QStringList());
            return;
        }
        const QString tail = u" %1 "_s.arg(failed) + fixture.text(summary);
        QTRY_VERIFY2_WITH_TIMEOUT(fixture.panel().endsWith(tail), qPrintable(fixture.panel()), 10000);
        QVERIFY2(fixture.panel().contains(fixture.text(reason)), qPrintable(fixture.panel()));
        QVERIFY(fixture.find<QLabel>(u"stbMain_Panel1"_s)->toolTip().contains(fixture.text(reason)));
    }

    // Delete acts on the folder the list shows, however it came there: a right click's menu closed
    // without a choice, then F5; a click on empty tree space, then Up; a favourite of a missing
    // folder; a favourite beside a same-named folder.
    void deleteRemovesOnlyTheFileShown()
    {
        ExplorerFixture fixture;
        QVERIFY(fixture.startWith({"x.txt", "ml/x.txt", "ml/im/sunset.png", "ml/ci/sunset.png",
                                   "ml/ri/tone.mid", "ml/im/p.png", "other/im/p.png"}));
        // The question names the file; No keeps it, Yes deletes it there alone.
        const auto deleteShown = [&](const QString& folder, const QString& file) {
            WAIT_COMPARE(fixture.rowFolders(), QStringList{folder}, 5000);
            QCOMPARE(fixture.currentTag(), folder);
            QStringList expected = readTree(fixture.phone.root()).filter(file);
            expected.removeOne(folder.mid(1) + file + QLatin1Char('=') + file);
            QVERIFY(fixture.showActive());
            fixture.clickRow(file);
            QStringList asked;
            answerBoxes({u"No"_s, u"Yes"_s}, &asked);
            QTest::keyClick(fixture.list(), Qt::Key_Delete);
            QVERIFY(fixture.phone.hasFile(folder.mid(1) + file));
            fixture.press(u"tlbMain_Delete"_s);
            QCOMPARE(asked, QStringList(2, fixture.text(470) + u" "_s + folder + file + u"?"_s));
            // Said by the delete, not replaced by the listing after it.
            QCOMPARE(fixture.panel(), fixture.text(68));
            QCOMPARE(readTree(fixture.phone.root()).filter(file), expected);
        };
        QVERIFY(fixture.showActive());
        fixture.clickNodes({u"/ml/"_s, u"/ml/im/"_s});
        fixture.useFolderMenu(u"/ml/ci/"_s);
        WAIT_COMPARE(fixture.currentTag(), u"/ml/im/"_s, 5000);
        // As the window manager does once the menu is gone (offscreen leaves the menu active).
        QApplication::setActiveWindow(fixture.window.get());
        QTest::keyClick(fixture.tree(), Qt::Key_F5);
        deleteShown(u"/ml/im/"_s, u"sunset.png"_s);

        QWidget* space = fixture.tree()->viewport();
        QTest::mouseClick(space, Qt::LeftButton, {}, QPoint(space->width() / 2, space->height() - 3));
        QTest::keyClick(fixture.tree(), Qt::Key_Up);
        deleteShown(u"/ml/ci/"_s, u"sunset.png"_s);

        fixture.clickNode(u"/"_s);
        fixture.press(u"tlbFav_4"_s);
        QVERIFY(fixture.panel().startsWith(fixture.text(81) + u" /ml/vd/"_s));
        deleteShown(u"/ml/"_s, u"x.txt"_s);
        // Pressed twice after the root's click, a favourite grows no second copy
        // of /ml/'s folders; the Java favourite without a Java folder does nothing.
        fixture.clickNode(u"/"_s);
        for (const char* favourite : {"tlbFav_1", "tlbFav_1", "tlbFav_5"})
            fixture.press(QLatin1String(favourite));
        QCOMPARE(fixture.childNames(u"/ml/"_s), (QStringList{"ci", "im", "ri"}));
        QCOMPARE(fixture.currentTag(), u"/ml/im/"_s);
        // With every favourite's folder known the tree is not listed again, and
        // the pictures are /ml/'s, not those of a folder of the same name.
        QDir().mkpath(fixture.phone.root() + u"/ml/vd"_s);
        fixture.clickNodes({u"/"_s, u"/ml/"_s, u"/other/"_s});
        fixture.press(u"tlbFav_1"_s);
        deleteShown(u"/ml/im/"_s, u"p.png"_s);
    }

    // Dropped files go up, then the files chosen from a dropped folder; a drop
    // without local files, or on the root, sends nothing.
    void dropsUploadFilesThenAFolder()
    {
        ExplorerFixture fixture;
        QDir().mkpath(fixture.phone.root() + u"/ml/im"_s);
        QVERIFY(fixture.start());
        const QString source = fixture.folder.filePath(u"source"_s);
        const QString first = writeLocal(source + u"/one.bin"_s, patterned(25000, 3));
        QStringList said;
        answerBoxes({u"Ok"_s}, &said);
        QCOMPARE(dropOnto(fixture.list()->viewport(), fileDrop({first})), Qt::CopyAction);
        QTRY_COMPARE(said, QStringList{fixture.text(109)});
        auto* text = new QMimeData;
        text->setText(first);
        QCOMPARE(dropOnto(fixture.list()->viewport(), text), Qt::IgnoreAction);
        auto* web = new QMimeData;
        web->setUrls({QUrl(u"https://example.org/a.png"_s)});
        QCOMPARE(dropOnto(fixture.list()->viewport(), web), Qt::IgnoreAction);
        QCOMPARE(uploadedNames(fixture.phone.commands()), QStringList());

        fixture.clickNodes({u"/ml/"_s, u"/ml/im/"_s});
        const QString second = writeLocal(source + u"/two words.txt"_s, "two");
        const QString album = source + u"/album"_s;
        writeLocal(album + u"/p1.png"_s, patterned(100, 4));
        writeLocal(album + u"/p2.png"_s, "unpicked");
        writeLocal(album + u"/p3.png"_s, patterned(10240, 5));
        writeLocal(album + u"/.hidden"_s, "never listed");
        QDir().mkpath(album + u"/sub"_s);
        QStringList listed;
        onNextModal<FolderChooser>([&](FolderChooser* chooser) {
            auto* list = chooser->findChild<QListWidget*>(u"lstFiles"_s);
            for (int i = 0; i < list->count(); ++i)
                listed << list->item(i)->text();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(1)).center());
            chooser->findChild<QPushButton*>(u"cmdOK"_s)->click();
        });
        // Taken as a copy: the file manager must keep the originals.
        QCOMPARE(dropOnto(fixture.list()->viewport(), fileDrop({first, second, album})), Qt::CopyAction);
        WAIT_COMPARE(fixture.panel(), fixture.text(65), 20000);
        QCOMPARE(listed, (QStringList{"p1.png", "p2.png", "p3.png"}));
        QCOMPARE(uploadedNames(fixture.phone.commands()),
                 (QStringList{"one.bin", "two words.txt", "p1.png", "p3.png"}));
        QCOMPARE(fixture.phone.fileContent(u"ml/im/one.bin"_s), patterned(25000, 3));
        QCOMPARE(fixture.phone.fileContent(u"ml/im/p3.png"_s), patterned(10240, 5));
        QCOMPARE(fixture.rowNames(), (QStringList{"one.bin", "p1.png", "p3.png", "two words.txt"}));
        QVERIFY(QFile::exists(first));
    }

    void lineLogShowsTheLineOnlyWhileOpen()
    {
        ExplorerFixture fixture;
        fixture.phone.putFile(u"ml/notes.txt"_s, QByteArray(3000, 'n'));
        QVERIFY(fixture.start());
        fixture.find<QAction>(u"mnuViewLineLog"_s)->trigger();
        auto* logWindow = fixture.window->findChild<LineLogWindow*>(u"frmLineLog"_s);
        auto* log = fixture.window->findChild<QPlainTextEdit*>(u"txtLineLog"_s);
        QVERIFY(logWindow && logWindow->isVisible());
        // The start-up's listing passed while the log was closed.
        QCOMPARE(log->toPlainText(), QString());

        QVERIFY(fixture.showActive());
        fixture.clickNode(u"/ml/"_s);
        fixture.clickRow(u"notes.txt"_s);
        fixture.press(u"tlbMain_Download"_s);
        WAIT_COMPARE(fixture.panel(), fixture.text(71), 10000);
        const QString upload = writeLocal(fixture.folder.filePath(u"up.bin"_s), patterned(300, 7));
        QCOMPARE(dropOnto(fixture.list()->viewport(), fileDrop({upload})), Qt::CopyAction);
        WAIT_COMPARE(fixture.panel(), fixture.text(65), 10000);
        const QString lines = log->toPlainText();
        for (const char* expected :
             {"→ AT+QFSL=", "← +QFRF: 3000\\r\\n", "← [3000 B] 6E 6E 6E 6E 6E 6E 6E 6E",
              "→ [302 B] 07 8A 0D 90 13 96 19 9C 1F A2 25 A8 2B AE 31 B4 …"})
            QVERIFY2(lines.contains(QString::fromUtf8(expected)), qPrintable(lines));
        QVERIFY(!lines.contains(u"nnnnnnnnnnnnnnnnn"_s));

        logWindow->close();
        const int shown = log->blockCount();
        fixture.clickNode(u"/"_s);
        QCOMPARE(log->blockCount(), shown);
        // Open, it keeps the newest lines only.
        logWindow->show();
        for (int i = 0; i < 3 * LineLogWindow::kKeptLines; ++i)
            logWindow->trace().received("+CMTI: \"SM\"," + QByteArray::number(i) + "\r\n");
        QCOMPARE(log->blockCount(), LineLogWindow::kKeptLines);
        QVERIFY(log->toPlainText().endsWith(u",%1\\r\\n"_s.arg(3 * LineLogWindow::kKeptLines - 1)));
    }

    // Only a new port reconnects and lists the new phone from its root; the
    // other settings, the language too, apply to the window as it is.
    void settingsDialogReRunsTheStartUp_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("port");
        QTest::newRow("OK") << u"cmdOK"_s << 7;
        QTest::newRow("OK, same port") << u"cmdOK"_s << 4;
        QTest::newRow("close box") << QString() << 7;
    }

    void settingsDialogReRunsTheStartUp()
    {
        QFETCH(QString, how);
        QFETCH(int, port);
        ExplorerFixture fixture;
        QVERIFY(fixture.startWith({"ml/m.txt"}));
        fixture.clickNode(u"/ml/"_s);
        // A second phone on COM7 that the dialog switches to.
        SimulatedPhone other;
        other.putFile(u"other.txt"_s, "o");
        QVERIFY(other.start());
        fixture.store->writePortDevice(7, other.device());
        onNextModal<SettingsDialog>([how, port](SettingsDialog* dialog) {
            dialog->findChild<QComboBox*>(u"cmbPort"_s)->setCurrentIndex(port - 1);
            dialog->findChild<QComboBox*>(u"cmbSize"_s)->setCurrentIndex(0);
            // Languages are listed by their own names: "D" picks Deutsch.
            QTest::keyClicks(dialog->findChild<QComboBox*>(u"cmbLanguage"_s), u"D"_s);
            if (how.isEmpty())
                dialog->close();
            else
                QTest::mouseClick(dialog->findChild<QPushButton*>(how), Qt::LeftButton);
        });
        fixture.press(u"tlbMain_Settings"_s);

        const bool confirm = !how.isEmpty(), newPort = confirm && port != 4;
        QCOMPARE(fixture.store->read(u"sieCOMPort"_s), QString::number(confirm ? port : 4));
        QCOMPARE(fixture.window->settings().SliceSize, confirm ? 512 : 10240);
        QCOMPARE(fixture.tree()->topLevelItemCount(), 1);
        QCOMPARE(fixture.rowNames(), newPort ? QStringList{"other.txt"} : QStringList{"m.txt"});
        QCOMPARE(fixture.currentTag(), newPort ? u"/"_s : u"/ml/"_s);
        const QStringList shown{fixture.find<QToolButton>(u"tlbMain_Refresh"_s)->text(),
                                fixture.find<QMenu>(u"mnuFile"_s)->title(),
                                fixture.list()->headerItem()->text(2)};
        QCOMPARE(shown, (confirm ? QStringList{"Aktualisieren", "&Datei", "Größe"}
                                 : QStringList{"Refresh", "&File", "Size"}));
        // Nothing the status said stays in the language before.
        QVERIFY2(fixture.panel().isEmpty() || fixture.panel().startsWith(fixture.text(52)),
                 qPrintable(fixture.panel()));
    }
};

QTEST_MAIN(CommandsTest)
#include "tst_commands.moc"
