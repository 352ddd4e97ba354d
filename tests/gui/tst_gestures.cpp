#include "ExplorerFixture.h"
#include "explorer/FileList.h"
#include "explorer/LocalPane.h"

namespace {

// Drags `item` with the left button alone onto `target`, which gets the drag's data with copy
// as the only action offered (without a target the drag goes no further than its start).
void plainDrag(QTreeWidget* view, QTreeWidgetItem* item, QWidget* target)
{
    const QPoint from = view->visualItemRect(item).center();
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(view->viewport(), from + QPoint(10, 10));
    QTest::mouseMove(view->viewport(), from + QPoint(40, 40));
    // Alive until the event loop runs again.
    auto* drag = view->findChild<QDrag*>();
    QVERIFY(drag);
    const QPoint centre = target->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(centre, Qt::CopyAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
    QTest::mouseRelease(target, Qt::LeftButton, {}, centre);
}

} // namespace

class GesturesTest : public QObject
{
    Q_OBJECT

    QStringList opened_;

private slots:
    // Files the window asks the desktop to open land here instead.
    void init()
    {
        opened_.clear();
        OpenWith::setOpener([this](const QString& path) {
            opened_ << path;
            return true;
        });
    }

    // Enter on a folder lists it, F5 lists it again, Backspace in the list and
    // Alt+Up in the tree go up, Ctrl+A in the tree chooses every row.
    void keysDriveTheWindow()
    {
        ExplorerFixture fixture;
        QVERIFY(fixture.startWith({"ml/im/a.png", "ml/x.txt"}));
        QVERIFY(fixture.showActive());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(fixture.tree()));
        const auto type = [&](QWidget* target, const char* keys, const QString& listed,
                              const QStringList& rows) {
            QTRY_COMPARE(QApplication::focusWidget(), target);
            QTest::keySequence(target, QKeySequence(QLatin1String(keys)));
            QTRY_COMPARE(fixture.rowNames(), rows);
            QTRY_VERIFY(!fixture.window->isCommandRunning());
            QCOMPARE(fixture.rowFolders(), QStringList{listed});
            QCOMPARE(fixture.currentTag(), listed);
        };
        fixture.clickNodes({u"/ml/"_s, u"/ml/im/"_s});
        fixture.phone.putFile(u"ml/im/b.png"_s, "b");
        type(fixture.tree(), "Return", u"/ml/im/"_s, {"a.png", "b.png"});
        fixture.clickRow(u"a.png"_s);
        fixture.phone.putFile(u"ml/im/c.png"_s, "c");
        type(fixture.list(), "F5", u"/ml/im/"_s, {"a.png", "b.png", "c.png"});
        type(fixture.list(), "Backspace", u"/ml/"_s, {"x.txt"});
        fixture.clickNode(u"/ml/im/"_s);
        type(fixture.tree(), "Alt+Up", u"/ml/"_s, {"x.txt"});
        fixture.clickNode(u"/ml/im/"_s);
        fixture.phone.putFile(u"ml/im/d.png"_s, "d");
        type(fixture.tree(), "Ctrl+A", u"/ml/im/"_s, {"a.png", "b.png", "c.png"});
        QCOMPARE(fixture.list()->selectedItems().size(), 3);
    }

    // Two of three rows downloaded by an Alt-drag or a plain drag onto the local pane; a file manager
    // asking for the dragged files, or Enter that opens them, gets them in the working folder.
    void rowsDownload_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::newRow("Enter opens the last") << u"Enter"_s;
        QTest::newRow("Alt-drag onto the pane") << u"Alt-drag"_s;
        QTest::newRow("plain drag onto the pane") << u"drag"_s;
        QTest::newRow("onto a file manager") << u"file manager"_s;
        QTest::newRow("file manager gives up") << u"gives up"_s;
    }

    void rowsDownload()
    {
        QFETCH(QString, gesture);
        ExplorerFixture fixture;
        fixture.phone.putFile(u"ml/sunset.png"_s, patterned(15000, 1));
        fixture.phone.putFile(u"ml/Фото моря.png"_s, patterned(300, 2));
        QVERIFY(fixture.startWith({"ml/skip.png"}));
        QVERIFY(fixture.showActive());
        fixture.clickNode(u"/ml/"_s);
        fixture.clickRow(u"sunset.png"_s);
        fixture.clickRow(u"Фото моря.png"_s, Qt::ControlModifier);
        const bool toPane = gesture.contains("drag");
        const QString folder = toPane ? fixture.localFolder() : fixture.window->TempFolder().chopped(1);
        auto* rows = static_cast<FileList*>(fixture.list());
        if (gesture == "Enter") {
            QTest::keyClick(fixture.list(), Qt::Key_Enter);
        } else if (gesture == "Alt-drag") {
            auto* data = new QMimeData;
            data->setData(QLatin1String(kPhoneRowsMimeType), QByteArray());
            dropOnto(fixture.pane(), data);
        } else if (gesture == "drag") {
            plainDrag(rows, rows->topLevelItem(1), fixture.pane());
        } else if (gesture == "gives up") {
            // The window system ends the drag, and deletes its data, while the
            // files still come: nothing is handed over, nothing breaks.
            QMimeData* data = rows->rowsDragData();
            QVERIFY(data);
            QTimer::singleShot(0, fixture.window.get(), [data] { delete data; });
            QCOMPARE(data->urls(), QList<QUrl>());
        } else {
            const std::unique_ptr<QMimeData> data(rows->rowsDragData());
            // Hovering asks only whether files come; the drop asks for them, once.
            QVERIFY(data && data->hasUrls() && !QFile::exists(folder + u"/sunset.png"_s));
            const QList<QUrl> urls = data->urls();
            QCOMPARE(urls, (QList<QUrl>{QUrl::fromLocalFile(folder + u"/sunset.png"_s),
                                        QUrl::fromLocalFile(folder + u"/Фото моря.png"_s)}));
            QCOMPARE(data->urls(), urls);
            QCOMPARE(fixture.phone.commands().filter(u"AT+QFRF"_s).size(), 2);
        }
        WAIT_COMPARE(readLocal(folder + u"/sunset.png"_s), patterned(15000, 1), 10000);
        WAIT_COMPARE(readLocal(folder + u"/Фото моря.png"_s), patterned(300, 2), 10000);
        WAIT_COMPARE(fixture.panel(), fixture.text(71), 10000);
        QVERIFY(!QFile::exists(folder + u"/skip.png"_s));
        QCOMPARE(opened_, gesture == "Enter" ? QStringList{fixture.window->TempFolder() + u"Фото моря.png"_s}
                                             : QStringList());
        if (toPane)
            QCOMPARE(QDir(fixture.window->TempFolder()).entryList(QDir::Files), QStringList());
        // The focus stays where the user works.
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(fixture.list()));
        QVERIFY(!fixture.find<QLineEdit>(u"txtURL"_s)->hasSelectedText());
    }

    // A phone folder with its sub-folders (Cyrillic names, an empty one) lands in a local folder of
    // its name, by the tree's menu or a drag onto the local pane; a local copy is kept or replaced.
    void downloadsAFolderByMenuAndDrag_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("by the menu, a local copy kept") << u"cmdSkip"_s;
        QTest::newRow("by a drag, a local copy replaced") << u"cmdOverwrite"_s;
    }

    void downloadsAFolderByMenuAndDrag()
    {
        QFETCH(QString, answer);
        ExplorerFixture fixture;
        writeLocal(fixture.local(u"im/Фото.png"_s), "mine");
        answerBoxes({answer});
        QVERIFY(QDir().mkpath(fixture.phone.root() + u"/ml/im/Пусто"_s));
        QVERIFY(fixture.startWith({"ml/im/Фото.png", "ml/im/Отпуск/море.jpg", "ml/x.txt"}));
        QVERIFY(fixture.showActive());
        fixture.clickNode(u"/ml/"_s);
        if (answer == "cmdSkip")
            fixture.useFolderMenu(u"/ml/im/"_s, u"mnuTDownloadFolder"_s);
        else
            plainDrag(fixture.tree(), fixture.treeNode(u"/ml/im/"_s), fixture.pane());
        WAIT_VERIFY(fixture.panel().startsWith(fixture.text(153)), 10000);
        const QString kept = answer == "cmdSkip" ? u"mine"_s : u"Фото.png"_s;
        QCOMPARE(readTree(fixture.localFolder()),
                 (QStringList{"im/", "im/Отпуск/", "im/Отпуск/море.jpg=море.jpg", "im/Пусто/",
                              "im/Фото.png=" + kept}));
        // The list still shows what it showed, and the tree highlights its folder.
        QCOMPARE(fixture.rowFolders(), QStringList{"/ml/"});
        QCOMPARE(fixture.currentTag(), u"/ml/"_s);
    }

    // Ctrl+U: the files chosen in a file dialog (in the local pane's folder) go into the phone folder shown.
    void uploadCommandSendsChosenFiles()
    {
        ExplorerFixture fixture;
        QVERIFY(fixture.startWith({"ml/im/old.png"}));
        for (const char* name : {"one.txt", "two.txt", "left.txt"})
            writeLocal(fixture.local(QLatin1String(name)), name);
        QVERIFY(fixture.showActive());
        fixture.clickNodes({u"/ml/"_s, u"/ml/im/"_s});
        chooseInFileDialog({u"one.txt"_s, u"two.txt"_s});
        QTest::keyClick(fixture.list(), Qt::Key_U, Qt::ControlModifier);
        WAIT_COMPARE(fixture.panel(), fixture.text(65), 10000);
        QCOMPARE(fixture.phone.fileContent(u"ml/im/one.txt"_s), QByteArray("one.txt"));
        QCOMPARE(fixture.phone.fileContent(u"ml/im/two.txt"_s), QByteArray("two.txt"));
        QVERIFY(!fixture.phone.hasFile(u"ml/im/left.txt"_s));
        QCOMPARE(fixture.rowNames().size(), 3);
    }
};

QTEST_MAIN(GesturesTest)
#include "tst_gestures.moc"
