#include "ExplorerFixture.h"
#include "explorer/FileList.h"
#include "explorer/LocalPane.h"

#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QDrag>
#include <QFileDialog>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QUrl>

namespace {

QStringList selectedNames(QTreeWidget* list)
{
    QStringList names;
    for (const QTreeWidgetItem* row : list->selectedItems())
        names << row->text(0);
    names.sort();
    return names;
}

// Drags `item` of `view` with the left button alone onto `target`, where the
// window system delivers the drag's data with copy as the only action offered
// (without one, the drag itself goes no further than its start).
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

// Shows the window and lists each folder in turn with a click on its node.
void showAndClick(ExplorerFixture& fixture, const QStringList& tags)
{
    fixture.window->show();
    QVERIFY(QTest::qWaitForWindowActive(fixture.window.get()));
    for (const QString& tag : tags) {
        QTRY_VERIFY(fixture.treeNode(tag));
        fixture.clickNode(tag);
        QTRY_COMPARE(fixture.currentTag(), tag);
    }
    QTRY_VERIFY(fixture.list()->isEnabled());
}

} // namespace

class GesturesTest : public QObject
{
    Q_OBJECT

    QStringList opened_;

private slots:
    void init() { recordOpenedFiles(opened_); }

    void keysDriveTheWindow_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QStringList>("opened");
        const QStringList shown{"a.png", "b.png"};
        const QStringList again{"a.png", "b.png", "c.png"};
        const QStringList parent{"x.txt"};
        const QStringList none;
        QTest::newRow("Enter on a folder lists it")
            << "tree" << int(Qt::Key_Return) << Qt::KeyboardModifiers() << "/ml/im/" << again << none << none;
        QTest::newRow("F5 refreshes")
            << "list" << int(Qt::Key_F5) << Qt::KeyboardModifiers() << "/ml/im/" << again << none << none;
        QTest::newRow("Backspace in the list") << "list" << int(Qt::Key_Backspace) << Qt::KeyboardModifiers()
                                               << "/ml/" << parent << none << none;
        QTest::newRow("Alt+Up in the tree")
            << "tree" << int(Qt::Key_Up) << Qt::KeyboardModifiers(Qt::AltModifier) << "/ml/" << parent << none
            << none;
        QTest::newRow("Ctrl+A in the tree")
            << "tree" << int(Qt::Key_A) << Qt::KeyboardModifiers(Qt::ControlModifier) << "/ml/im/" << shown
            << shown << none;
        QTest::newRow("Enter on a row opens it")
            << "list" << int(Qt::Key_Enter) << Qt::KeyboardModifiers() << "/ml/im/" << shown
            << QStringList{"a.png"} << QStringList{"a.png"};
    }

    void keysDriveTheWindow()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, listed);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, selected);
        QFETCH(QStringList, opened);
        ExplorerFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/im/a.png"), "a");
        fixture.phone.putFile(QStringLiteral("ml/im/b.png"), "b");
        fixture.phone.putFile(QStringLiteral("ml/x.txt"), "x");
        QVERIFY(fixture.start());
        showAndClick(fixture, {"/ml/", "/ml/im/"});
        QWidget* target = fixture.tree();
        if (focus == QLatin1String("list")) {
            fixture.clickRow(QStringLiteral("a.png"));
            target = fixture.list();
        }
        QTRY_VERIFY(target->isEnabled());
        QTRY_COMPARE(QApplication::focusWidget(), target);
        fixture.phone.putFile(QStringLiteral("ml/im/c.png"), "c");

        QTest::keyClick(target, Qt::Key(key), modifiers);
        QTRY_COMPARE(fixture.rowFolders(), QStringList{listed});
        QTRY_COMPARE(fixture.rowNames(), rows);
        QTRY_VERIFY(!fixture.window->isCommandRunning());
        QCOMPARE(fixture.currentTag(), listed);
        if (!selected.isEmpty())
            QCOMPARE(selectedNames(fixture.list()), selected);
        QStringList openedNames;
        for (const QString& path : opened_)
            openedNames << QFileInfo(path).fileName();
        QCOMPARE(openedNames, opened);
    }

    // A phone folder with its sub-folders (Cyrillic names, an empty folder)
    // lands in a local folder of its name, from the tree's context menu or
    // by dragging the folder onto the local pane.
    void downloadsAFolderByMenuAndDrag_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<QString>("answer");
        QTest::newRow("context menu") << QStringLiteral("menu") << QString();
        QTest::newRow("drag onto the pane") << QStringLiteral("drag") << QString();
        QTest::newRow("a local copy kept") << QStringLiteral("menu") << QStringLiteral("cmdSkip");
        QTest::newRow("a local copy replaced") << QStringLiteral("drag") << QStringLiteral("cmdOverwrite");
    }

    void downloadsAFolderByMenuAndDrag()
    {
        QFETCH(QString, gesture);
        QFETCH(QString, answer);
        ExplorerFixture fixture;
        const QString mine = fixture.localFolder() + QStringLiteral("/im/Фото.png");
        if (!answer.isEmpty()) {
            writeLocal(mine, "mine");
            onNextModal<QMessageBox>(
                [answer](QMessageBox* box) { box->findChild<QPushButton*>(answer)->click(); });
        }
        fixture.phone.putFile(QStringLiteral("ml/im/Фото.png"), "photo");
        fixture.phone.putFile(QStringLiteral("ml/im/Отпуск/море.jpg"), "sea");
        fixture.phone.putFile(QStringLiteral("ml/x.txt"), "x");
        QVERIFY(QDir().mkpath(fixture.phone.root() + QStringLiteral("/ml/im/Пусто")));
        QVERIFY(fixture.start());
        showAndClick(fixture, {"/ml/"});
        QTreeWidgetItem* node = fixture.treeNode(QStringLiteral("/ml/im/"));

        if (gesture == QLatin1String("menu")) {
            const QPoint at = fixture.tree()->visualItemRect(node).center();
            QContextMenuEvent request(QContextMenuEvent::Mouse, at,
                                      fixture.tree()->viewport()->mapToGlobal(at));
            QCoreApplication::sendEvent(fixture.tree()->viewport(), &request);
            auto* menu = fixture.find<QMenu>(QStringLiteral("mnuFolderOp"));
            QTRY_VERIFY(menu->isVisible());
            QAction* item = fixture.find<QAction>(QStringLiteral("mnuTDownloadFolder"));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        } else {
            plainDrag(fixture.tree(), node,
                      fixture.find<QAbstractItemView>(QStringLiteral("wbDisk"))->viewport());
        }
        QTRY_VERIFY_WITH_TIMEOUT(fixture.window->panelText(1).startsWith(fixture.text(153)), 10000);
        const QString kept =
            answer == QLatin1String("cmdSkip") ? QStringLiteral("mine") : QStringLiteral("photo");
        QCOMPARE(readTree(fixture.localFolder()), (QStringList{"im/", "im/Отпуск/", "im/Отпуск/море.jpg=sea",
                                                               "im/Пусто/", "im/Фото.png=" + kept}));
        // The list still shows what it showed, and the tree highlights its folder.
        QCOMPARE(fixture.rowFolders(), QStringList{"/ml/"});
        QCOMPARE(fixture.currentTag(), QStringLiteral("/ml/"));
    }

    // Selected rows dragged with the left button alone: onto the local pane
    // they download there; a file manager asking for the files gets them
    // downloaded into the working folder.
    void plainDragOfRows_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("onto the local pane") << QStringLiteral("pane");
        QTest::newRow("onto a file manager") << QStringLiteral("file manager");
        QTest::newRow("file manager gives up") << QStringLiteral("gives up");
    }

    void plainDragOfRows()
    {
        QFETCH(QString, target);
        ExplorerFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/a.txt"), "first");
        fixture.phone.putFile(QStringLiteral("ml/b.txt"), "second");
        fixture.phone.putFile(QStringLiteral("ml/c.txt"), "not chosen");
        QVERIFY(fixture.start());
        showAndClick(fixture, {"/ml/"});
        fixture.clickRow(QStringLiteral("a.txt"));
        fixture.clickRow(QStringLiteral("b.txt"), Qt::ControlModifier);

        QString folder = fixture.localFolder();
        if (target == QLatin1String("pane")) {
            plainDrag(fixture.list(), fixture.list()->findItems("b.txt", Qt::MatchExactly).first(),
                      fixture.find<QAbstractItemView>(QStringLiteral("wbDisk"))->viewport());
        } else if (target == QLatin1String("gives up")) {
            // The window system ends the drag, and deletes its data, while the
            // files still come: nothing is handed over, nothing breaks.
            folder = fixture.workingFolder();
            QMimeData* data = static_cast<FileList*>(fixture.list())->rowsDragData();
            QTimer::singleShot(0, fixture.window.get(), [data] { delete data; });
            QCOMPARE(data->urls(), QList<QUrl>());
        } else {
            folder = fixture.workingFolder();
            const std::unique_ptr<QMimeData> data(static_cast<FileList*>(fixture.list())->rowsDragData());
            // Hovering asks only whether files come; the drop asks for them, once.
            QVERIFY(data->hasUrls());
            QVERIFY(!QFile::exists(folder + QStringLiteral("/a.txt")));
            const QList<QUrl> urls = data->urls();
            QCOMPARE(urls, (QList<QUrl>{QUrl::fromLocalFile(folder + QStringLiteral("/a.txt")),
                                        QUrl::fromLocalFile(folder + QStringLiteral("/b.txt"))}));
            QCOMPARE(data->urls(), urls);
            QCOMPARE(fixture.phone.commands().filter(QStringLiteral("AT+QFRF")).size(), 2);
        }
        QTRY_COMPARE_WITH_TIMEOUT(readLocal(folder + QStringLiteral("/a.txt")), QByteArray("first"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(readLocal(folder + QStringLiteral("/b.txt")), QByteArray("second"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.window->panelText(1), fixture.text(71), 10000);
        QVERIFY(!QFile::exists(folder + QStringLiteral("/c.txt")));
    }

    // The Upload command (Ctrl+U): a file dialog with several files chosen,
    // sent into the phone folder shown.
    void uploadCommandSendsChosenFiles()
    {
        ExplorerFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/im/old.png"), "o");
        QVERIFY(fixture.start());
        for (const char* name : {"one.txt", "two.txt", "left.txt"})
            writeLocal(fixture.localFolder() + QLatin1Char('/') + QLatin1String(name), name);
        showAndClick(fixture, {"/ml/", "/ml/im/"});

        onNextModal<QFileDialog>([](QFileDialog* dialog) {
            // A dialog that refuses the choice must not hang the test.
            QTimer::singleShot(10000, dialog, &QDialog::reject);
            auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
            for (const char* name : {"one.txt", "two.txt"}) {
                QModelIndex row;
                QTRY_VERIFY((row = view->model()
                                       ->match(view->model()->index(0, 0, view->rootIndex()), Qt::DisplayRole,
                                               QString::fromLatin1(name), 1, Qt::MatchExactly)
                                       .value(0))
                                .isValid());
                QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                                  view->visualRect(row).center());
            }
            auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
        });
        QTest::keyClick(fixture.list(), Qt::Key_U, Qt::ControlModifier);

        QTRY_COMPARE_WITH_TIMEOUT(fixture.phone.fileContent(QStringLiteral("ml/im/two.txt")),
                                  QByteArray("two.txt"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.window->panelText(1), fixture.text(65), 10000);
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("ml/im/one.txt")), QByteArray("one.txt"));
        QVERIFY(!fixture.phone.hasFile(QStringLiteral("ml/im/left.txt")));
        QStringList rows = fixture.rowNames();
        rows.sort();
        QCOMPARE(rows, (QStringList{"old.png", "one.txt", "two.txt"}));
    }
};

QTEST_MAIN(GesturesTest)
#include "tst_gestures.moc"
