#include "ExplorerFixture.h"
#include "explorer/LocalPane.h"
#include "settings/LanguageTable.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QSplitter>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

void fillPhone(const SimulatedPhone& phone)
{
    phone.putFile(QStringLiteral("ml/im/sunset.png"), QByteArray(3000, 's'));
    phone.putFile(QStringLiteral("ml/im/beach.png"), "b");
    phone.putFile(QStringLiteral("ml/ci/cam.png"), "c");
    phone.putFile(QStringLiteral("ml/ri/tone.mid"), "t");
    phone.putFile(QStringLiteral("ml/vd/clip.3gp"), "v");
    phone.putFile(QStringLiteral("java/selector.utf"), "j");
    phone.putFile(QStringLiteral("readme.txt"), QByteArray(2048, 'r'));
    phone.putFile(QStringLiteral("alpha.txt"), "a");
}

QStringList keysUnder(QTreeWidgetItem* node)
{
    QStringList keys;
    for (int i = 0; node && i < node->childCount(); ++i)
        keys << node->child(i)->data(0, Qt::UserRole).toString();
    return keys;
}

} // namespace

class ExplorerTest : public QObject
{
    Q_OBJECT
private slots:
    void startUpListsTheRoot()
    {
        ExplorerFixture fixture;
        fillPhone(fixture.phone);
        // Left-overs in the working folder go; a sub-folder stays.
        QDir().mkpath(fixture.workingFolder() + QStringLiteral("/keep"));
        QFile leftover(fixture.workingFolder() + QStringLiteral("/old.tmp"));
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.close();
        QVERIFY(fixture.start());

        QTreeWidgetItem* root = fixture.tree()->currentItem();
        QVERIFY(root);
        QCOMPARE(root->text(0), QStringLiteral("/"));
        QCOMPARE(root->data(0, Qt::UserRole).toString(), QStringLiteral("K1"));
        QCOMPARE(fixture.childNames(QStringLiteral("/")), (QStringList{"java", "ml"}));
        QCOMPARE(fixture.treeNode(QStringLiteral("/ml/"))->data(0, Qt::UserRole).toString(),
                 QStringLiteral("K3"));
        QCOMPARE(fixture.rowNames(), (QStringList{"alpha.txt", "readme.txt"}));
        QCOMPARE(fixture.list()->topLevelItem(1)->text(1), QStringLiteral("/"));
        QCOMPARE(fixture.list()->topLevelItem(1)->text(2), QStringLiteral("2048"));
        QCOMPARE(fixture.list()->headerItem()->text(0), fixture.text(200));
        QCOMPARE(fixture.list()->headerItem()->text(2), fixture.text(202));
        QCOMPARE(fixture.window->panelText(1), fixture.text(52) + QStringLiteral(" 2 ") + fixture.text(53));
        QVERIFY(QDir(fixture.workingFolder()).exists(QStringLiteral("keep")));
        QVERIFY(!QFile::exists(fixture.workingFolder() + QStringLiteral("/old.tmp")));
        QCOMPARE(fixture.window->TempFolder(), QDir::cleanPath(fixture.workingFolder()) + QLatin1Char('/'));
        QCOMPARE(fixture.window->windowTitle(), QStringLiteral("Vantrel"));
    }

    void portFailureLeavesTheTreeEmpty()
    {
        ExplorerFixture fixture;
        fixture.store->writePortDevice(4, fixture.folder.filePath(QStringLiteral("no-such-port")));
        fixture.window->StartUp();
        QCOMPARE(fixture.window->panelText(1), fixture.text(64) + QStringLiteral(" COM4!"));
        QCOMPARE(fixture.tree()->topLevelItemCount(), 0);
        QVERIFY(fixture.list()->isHeaderHidden());
        // A later start-up on a working port builds everything.
        QVERIFY(fixture.start());
        QCOMPARE(fixture.tree()->topLevelItemCount(), 1);
        QVERIFY(!fixture.list()->isHeaderHidden());
    }

    void folderClicksRebuildTheSubTree()
    {
        ExplorerFixture fixture;
        fillPhone(fixture.phone);
        QVERIFY(fixture.start());
        fixture.clickFolder(QStringLiteral("/ml/"));
        const QStringList names = fixture.childNames(QStringLiteral("/ml/"));
        QCOMPARE(names, (QStringList{"ci", "im", "ri", "vd"}));
        const QStringList firstKeys = keysUnder(fixture.treeNode(QStringLiteral("/ml/")));
        QCOMPARE(fixture.treeNode(QStringLiteral("/ml/im/"))->data(0, Qt::UserRole + 1).toString(),
                 QStringLiteral("/ml/im/"));

        fixture.clickFolder(QStringLiteral("/ml/"));
        QCOMPARE(fixture.childNames(QStringLiteral("/ml/")), names);
        const QStringList secondKeys = keysUnder(fixture.treeNode(QStringLiteral("/ml/")));
        for (const QString& key : secondKeys)
            QVERIFY2(!firstKeys.contains(key), qPrintable(key));
        QCOMPARE(fixture.window->ImNodeKey,
                 fixture.treeNode(QStringLiteral("/ml/im/"))->data(0, Qt::UserRole).toString());

        fixture.clickFolder(QStringLiteral("/ml/im/"));
        QCOMPARE(fixture.rowNames(), (QStringList{"beach.png", "sunset.png"}));
        QCOMPARE(fixture.list()->topLevelItem(0)->text(1), QStringLiteral("/ml/im/"));

        // The root's click drops everything deeper.
        fixture.clickFolder(QStringLiteral("/"));
        QVERIFY(!fixture.treeNode(QStringLiteral("/ml/im/")));
        QCOMPARE(fixture.childNames(QStringLiteral("/ml/")), QStringList());
        QVERIFY(!fixture.window->nodeByKey(fixture.window->ImNodeKey));
    }

    void columnClicksSort()
    {
        ExplorerFixture fixture;
        fillPhone(fixture.phone);
        fixture.phone.putFile(QStringLiteral("zeta.txt"), QByteArray(5, 'z'));
        QVERIFY(fixture.start());
        QHeaderView* header = fixture.list()->header();
        const QStringList phoneOrder = fixture.rowNames();
        emit header->sectionClicked(2);
        QCOMPARE(fixture.rowNames(), phoneOrder);
        emit header->sectionClicked(0);
        const QStringList first = fixture.rowNames();
        emit header->sectionClicked(0);
        const QStringList second = fixture.rowNames();
        QStringList sorted = phoneOrder;
        sorted.sort();
        QStringList reversed(sorted.crbegin(), sorted.crend());
        QVERIFY(first != second);
        QVERIFY((first == sorted && second == reversed) || (first == reversed && second == sorted));
    }

    void contextMenuOnlyWithRows()
    {
        ExplorerFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/a.txt"), "a");
        QVERIFY(fixture.start());
        auto* menu = fixture.find<QMenu>(QStringLiteral("mnuFileOp"));
        QVERIFY(menu);
        fixture.clickFolder(QStringLiteral("/ml/"));
        fixture.list()->clearSelection();
        emit fixture.list()->customContextMenuRequested(QPoint(5, 5));
        QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), 2000);
        menu->hide();
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/empty"));
        fixture.clickFolder(QStringLiteral("/"));
        fixture.clickFolder(QStringLiteral("/empty/"));
        QCOMPARE(fixture.list()->topLevelItemCount(), 0);
        emit fixture.list()->customContextMenuRequested(QPoint(5, 5));
        QVERIFY(!menu->isVisible());
    }

    void layoutKeepsItsLimits()
    {
        ExplorerFixture fixture;
        QVERIFY(fixture.start());
        ExplorerWindow& window = *fixture.window;
        QCOMPARE(window.minimumSize(), QSize(9600 / 15, 7200 / 15));
        window.resize(300, 200);
        QCOMPARE(window.size(), QSize(640, 480));

        auto* columns = fixture.find<QSplitter>(QStringLiteral("columns"));
        auto* rightColumn = fixture.find<QSplitter>(QStringLiteral("rightColumn"));
        QVERIFY(!columns->opaqueResize());
        QVERIFY(!rightColumn->opaqueResize());
        QCOMPARE(columns->handle(1)->objectName(), QStringLiteral("picResizeHorz"));
        QCOMPARE(rightColumn->handle(1)->objectName(), QStringLiteral("picResizeVert"));
        window.resize(1000, 700);
        QCoreApplication::processEvents();
        columns->setSizes({0, 2000});
        QVERIFY(columns->sizes().at(0) >= 2000 / 15);
        columns->setSizes({2000, 0});
        QVERIFY(columns->sizes().at(1) >= 3000 / 15);
        rightColumn->setSizes({2000, 0});
        QVERIFY(fixture.find<QWidget>(QStringLiteral("wbDisk"))->height() >= 500 / 15);

        // The progress bar is 1024 twips short of status panel 3.
        auto* progress = fixture.find<QProgressBar>(QStringLiteral("pgbMain"));
        progress->show();
        QCoreApplication::processEvents();
        QWidget* panel3 = progress->parentWidget();
        QVERIFY(qAbs(panel3->width() - progress->width() - 1024 / 15) <= 3);
    }

    void languageSwitchReappliesEveryText()
    {
        ExplorerFixture fixture;
        QVERIFY(fixture.start());
        auto* refresh = fixture.find<QToolButton>(QStringLiteral("tlbMain_Refresh"));
        QCOMPARE(refresh->text(), QStringLiteral("Refresh"));
        fixture.store->write(QStringLiteral("sysLanguage"), QStringLiteral("german.lng"));
        fixture.window->StartUp();
        QCOMPARE(refresh->text(), QStringLiteral("Aktualisieren"));
        QCOMPARE(fixture.find<QMenu>(QStringLiteral("mnuFile"))->title(), QStringLiteral("&Datei"));
        QCOMPARE(fixture.find<QLabel>(QStringLiteral("lblP0"))->text(), QStringLiteral("Ordner:"));
        QCOMPARE(fixture.find<QToolButton>(QStringLiteral("tlbFav_1"))->toolTip(), QStringLiteral("Bilder"));
        QCOMPARE(fixture.list()->headerItem()->text(2), QStringLiteral("Größe"));
        QCOMPARE(fixture.window->windowTitle(), QStringLiteral("Vantrel"));
    }

    void batteryPictureFollowsTheCharge_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("text");
        QTest::newRow("5 %") << QStringLiteral("0,5") << 1 << QStringLiteral("5% ");
        QTest::newRow("50 %") << QStringLiteral("0,50") << 4 << QStringLiteral("50% ");
        QTest::newRow("full") << QStringLiteral("0,100") << 6 << QStringLiteral("100% ");
    }

    void batteryPictureFollowsTheCharge()
    {
        QFETCH(QString, answer);
        QFETCH(int, level);
        QFETCH(QString, text);
        ExplorerFixture fixture({QStringLiteral("--battery"), answer});
        fixture.store->write(QStringLiteral("sieDisplayCharge"), QStringLiteral("True"));
        QVERIFY(fixture.start());
        auto* picture = fixture.find<QLabel>(QStringLiteral("picBattery"));
        QVERIFY(picture->isVisibleTo(fixture.window.get()));
        QCOMPARE(picture->property("level").toInt(), level);
        QCOMPARE(fixture.window->panelText(2), text);
        // A folder click asks again.
        const qsizetype asked = fixture.phone.commands().count(QStringLiteral("AT+CBC"));
        fixture.clickFolder(QStringLiteral("/"));
        QCOMPARE(fixture.phone.commands().count(QStringLiteral("AT+CBC")), asked + 1);
    }

    void batteryOffShowsNothing()
    {
        ExplorerFixture fixture;
        QVERIFY(fixture.start());
        QVERIFY(!fixture.find<QLabel>(QStringLiteral("picBattery"))->isVisibleTo(fixture.window.get()));
        QVERIFY(!fixture.phone.commands().contains(QStringLiteral("AT+CBC")));
    }

    void navigationIsRemembered_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("blanks") << QStringLiteral("My Files");
        QTest::newRow("hash") << QStringLiteral("a#b");
        QTest::newRow("percent and accents") << QStringLiteral("50% Ölbilder");
    }

    void navigationIsRemembered()
    {
        QFETCH(QString, name);
        ExplorerFixture fixture;
        QVERIFY(fixture.start());
        const QString target = fixture.localFolder() + QLatin1Char('/') + name;
        QVERIFY(QDir().mkpath(target));
        auto* address = fixture.find<QLineEdit>(QStringLiteral("txtURL"));
        address->setText(target);
        QTest::keyClick(address, Qt::Key_Return);
        QCOMPARE(address->text(), QDir::toNativeSeparators(target));
        QCOMPARE(fixture.store->read(QStringLiteral("sysLastFolder")), QDir::toNativeSeparators(target));
        QCOMPARE(UrlToPath(QUrl::fromLocalFile(target).toString()), QDir::toNativeSeparators(target));

        // Up goes to the parent; an unusable address is ignored.
        fixture.find<QToolButton>(QStringLiteral("tlbDrives_Up"))->click();
        QCOMPARE(address->text(), QDir::toNativeSeparators(fixture.localFolder()));
        address->setText(QStringLiteral("/no/such/folder"));
        QTest::keyClick(address, Qt::Key_Return);
        QCOMPARE(fixture.store->read(QStringLiteral("sysLastFolder")),
                 QDir::toNativeSeparators(fixture.localFolder()));

        // The next start goes back there.
        fixture.store->write(QStringLiteral("sysLastFolder"), QDir::toNativeSeparators(target));
        fixture.window->StartUp();
        QCOMPARE(address->text(), QDir::toNativeSeparators(target));
    }

    void closingEmptiesTheWorkingFolderAndClosesThePort()
    {
        ExplorerFixture fixture;
        QVERIFY(fixture.start());
        QDir().mkpath(fixture.workingFolder() + QStringLiteral("/keep"));
        QFile leftover(fixture.workingFolder() + QStringLiteral("/download.tmp"));
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.close();
        QVERIFY(fixture.window->link().isOpen());
        QVERIFY(fixture.window->close());
        QVERIFY(!fixture.window->link().isOpen());
        QCOMPARE(QDir(fixture.workingFolder()).entryList(QDir::Files), QStringList());
        QVERIFY(QDir(fixture.workingFolder()).exists(QStringLiteral("keep")));
    }

    void closingWhileThePhoneIsSlowEndsTheExchangeFirst()
    {
        ExplorerFixture fixture({QStringLiteral("--fault"), QStringLiteral("QFSL=silent@2")});
        fixture.phone.putFile(QStringLiteral("ml/a.txt"), "a");
        fixture.store->write(QStringLiteral("sieTimeOut"), QStringLiteral("15000"));
        QVERIFY(fixture.phone.start());
        fixture.store->writePortDevice(4, fixture.phone.device());
        QElapsedTimer clock;
        clock.start();
        // The root listing waits for a silent phone; the close ends it.
        QTimer::singleShot(200, fixture.window.get(), [&] { fixture.window->close(); });
        fixture.window->StartUp();
        QTRY_VERIFY_WITH_TIMEOUT(!fixture.window->isVisible(), 5000);
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY(!fixture.window->link().isOpen());
    }

    void deleteKeyOnlyFromTheTreeOrList()
    {
        ExplorerFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/a.txt"), "a");
        QVERIFY(fixture.start());
        fixture.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(fixture.window.get()));
        auto* address = fixture.find<QLineEdit>(QStringLiteral("txtURL"));
        address->setFocus();
        QTest::keyClick(address, Qt::Key_Delete);
        QVERIFY(!QApplication::activeModalWidget());

        fixture.clickFolder(QStringLiteral("/ml/"));
        fixture.selectRows({QStringLiteral("a.txt")});
        fixture.list()->setFocus();
        QString asked;
        answerNextMessageBox(QMessageBox::No, &asked);
        QTest::keyClick(fixture.list(), Qt::Key_Delete);
        QCOMPARE(asked, fixture.text(110));
        QVERIFY(fixture.phone.hasFile(QStringLiteral("ml/a.txt")));
    }

    void controlCharactersInNamesShowVisibly()
    {
        ExplorerFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/a\nb.txt"), "a");
        fixture.phone.putFile(QStringLiteral("ml/\x1b[2J/c.txt"), "c");
        QVERIFY(fixture.start());
        fixture.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(fixture.window.get()));
        fixture.clickFolder(QStringLiteral("/ml/"));
        QCOMPARE(fixture.rowNames(), QStringList{QStringLiteral("a\uFFFDb.txt")});
        QCOMPARE(fixture.childNames(QStringLiteral("/ml/")), QStringList{QStringLiteral("\uFFFD[2J")});

        // The row still stands for the phone's own name.
        QTreeWidget* list = fixture.list();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->topLevelItem(0)).center());
        answerNextMessageBox(QMessageBox::Yes);
        QTest::keyClick(list, Qt::Key_Delete);
        QTRY_VERIFY(!fixture.phone.hasFile(QStringLiteral("ml/a\nb.txt")));
    }
};

QTEST_MAIN(ExplorerTest)
#include "tst_explorer.moc"
