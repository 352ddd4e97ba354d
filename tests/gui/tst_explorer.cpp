#include "ExplorerFixture.h"
#include "explorer/LocalPane.h"
#include "settings/LanguageTable.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSplitter>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

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
        writeLocal(fixture.workingFolder() + QStringLiteral("/old.tmp"), "");
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
        QCOMPARE(fixture.list()->topLevelItem(1)->text(2), QStringLiteral("2.0 KB"));
        QCOMPARE(fixture.list()->topLevelItem(1)->toolTip(2), QStringLiteral("2,048 B"));
        QCOMPARE(fixture.window->panelText(1), fixture.text(52) + QStringLiteral(" 2.0 KB."));
        QVERIFY(QDir(fixture.workingFolder()).exists(QStringLiteral("keep")));
        QVERIFY(!QFile::exists(fixture.workingFolder() + QStringLiteral("/old.tmp")));
        QCOMPARE(fixture.window->TempFolder(), QDir::cleanPath(fixture.workingFolder()) + QLatin1Char('/'));
        // Closing empties it again and lets the port go.
        writeLocal(fixture.workingFolder() + QStringLiteral("/download.tmp"), "");
        QVERIFY(fixture.window->link().isOpen());
        QVERIFY(fixture.window->close());
        QVERIFY(!fixture.window->link().isOpen());
        QCOMPARE(QDir(fixture.workingFolder()).entryList(QDir::Files), QStringList());
        QVERIFY(QDir(fixture.workingFolder()).exists(QStringLiteral("keep")));
        QCOMPARE(fixture.window->windowTitle(), QStringLiteral("Vantrel"));
    }

    void lostLineOrFailedOpenClearsTheWindow_data()
    {
        QTest::addColumn<bool>("lineDropped");
        QTest::newRow("line dropped") << true;
        QTest::newRow("port fails to open after a language change") << false;
    }

    void lostLineOrFailedOpenClearsTheWindow()
    {
        QFETCH(bool, lineDropped);
        ExplorerFixture fixture;
        fixture.phone.putFile(QStringLiteral("ml/a.txt"), "a");
        fixture.store->write(QStringLiteral("sieDisplayCharge"), QStringLiteral("True"));
        QVERIFY(fixture.start());
        fixture.window->resize(1280, 800);
        fixture.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fixture.window.get()));
        fixture.clickNode(QStringLiteral("/ml/"));
        fixture.clickRow(QStringLiteral("a.txt"));
        auto* picture = fixture.find<QLabel>(QStringLiteral("picBattery"));
        QVERIFY(picture->isVisibleTo(fixture.window.get()));

        int reason = 76;
        if (lineDropped) {
            fixture.phone.stop();
        } else {
            reason = 64;
            fixture.store->write(QStringLiteral("sysLanguage"), QStringLiteral("german.lng"));
            // A device path as short as a real one: the test checks that the whole reason fits.
            fixture.store->writePortDevice(4, QStringLiteral("/dev/ttyNONE9"));
            fixture.window->StartUp();
        }
        QTRY_VERIFY_WITH_TIMEOUT(fixture.window->panelText(1).startsWith(fixture.text(reason)), 5000);
        const QString said = fixture.window->panelText(1);
        // Nothing the phone told before the loss is shown as if still true.
        QCOMPARE(fixture.tree()->topLevelItemCount(), 0);
        QCOMPARE(fixture.list()->topLevelItemCount(), 0);
        QVERIFY(!picture->isVisibleTo(fixture.window.get()));
        QCOMPARE(fixture.window->panelText(2), QString());
        for (const char* button : {"tlbMain_Refresh", "tlbMain_Download", "tlbMain_Delete", "tlbFav_1"})
            QVERIFY2(!fixture.find<QToolButton>(QLatin1String(button))->isEnabled(), button);
        QVERIFY(fixture.find<QToolButton>(QStringLiteral("tlbMain_Settings"))->isEnabled());
        QCOMPARE(fixture.list()->headerItem()->text(1), fixture.text(201));
        // The whole reason shows in the status bar.
        QCoreApplication::processEvents();
        auto* panel = fixture.find<QLabel>(QStringLiteral("stbMain_Panel1"));
        QVERIFY2(panel->width() >= panel->fontMetrics().horizontalAdvance(said), qPrintable(said));

        // A command tried now says why nothing happens, and keeps the reason.
        QTest::mouseClick(fixture.tree()->viewport(), Qt::LeftButton);
        QTest::keyClick(fixture.tree(), Qt::Key_Delete);
        QCOMPARE(fixture.window->panelText(1), fixture.text(82) + QLatin1Char(' ') + said);
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

    void columnClicksSortAndTheOrderStays_data()
    {
        QTest::addColumn<int>("column");
        QTest::newRow("name") << 0;
        QTest::newRow("size") << 2;
    }

    void columnClicksSortAndTheOrderStays()
    {
        QFETCH(int, column);
        ExplorerFixture fixture;
        for (const auto& [path, size] : {std::pair{"b.txt", 300},
                                         {"a.txt", 2048},
                                         {"c.txt", 5},
                                         {"d.txt", 70000},
                                         {"ml/y.txt", 40},
                                         {"ml/x.txt", 1000},
                                         {"ml/z.txt", 9}})
            fixture.phone.putFile(QLatin1String(path), QByteArray(size, 'x'));
        QVERIFY(fixture.start());
        QHeaderView* header = fixture.list()->header();
        auto clickHeader = [&] {
            const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
        };
        auto keys = [&] {
            QList<qint64> values;
            for (int i = 0; i < fixture.list()->topLevelItemCount(); ++i) {
                // Sizes read "2.0 KB" or "300 B"; the tooltip has the exact bytes.
                const QTreeWidgetItem* row = fixture.list()->topLevelItem(i);
                values
                    << (column == 2
                            ? row->toolTip(2).remove(QRegularExpression(QStringLiteral("\\D"))).toLongLong()
                            : row->text(0).at(0).unicode());
            }
            return values;
        };
        auto ordered = [](QList<qint64> values, bool ascending) {
            return std::is_sorted(values.cbegin(), values.cend()) == ascending &&
                   std::is_sorted(values.crbegin(), values.crend()) == !ascending;
        };
        clickHeader();
        const bool ascending = ordered(keys(), true);
        QVERIFY(ascending || ordered(keys(), false));
        clickHeader();
        QVERIFY(ordered(keys(), !ascending));
        // Another folder's rows come in the order the header shows.
        fixture.clickNode(QStringLiteral("/ml/"));
        QCOMPARE(fixture.rowNames().size(), 3);
        QVERIFY(ordered(keys(), !ascending));

        // The next run shows the window as it was left: size, bars, sort.
        fixture.window->resize(1100, 720);
        QVERIFY(QTest::qWaitForWindowExposed(fixture.window.get()));
        auto* columns = fixture.find<QSplitter>(QStringLiteral("columns"));
        QSplitterHandle* bar = columns->handle(1);
        const QPoint grip = bar->rect().center();
        QTest::mousePress(bar, Qt::LeftButton, {}, grip);
        QTest::mouseMove(bar, grip + QPoint(90, 0));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, grip + QPoint(90, 0));
        const QList<int> split = columns->sizes();
        QVERIFY(fixture.window->close());
        fixture.window = std::make_unique<ExplorerWindow>(*fixture.store, fixture.texts);
        fixture.window->setWorkingFolder(fixture.workingFolder());
        fixture.window->StartUp();
        QCOMPARE(fixture.window->size(), QSize(1100, 720));
        QCOMPARE(fixture.find<QSplitter>(QStringLiteral("columns"))->sizes(), split);
        QVERIFY(ordered(keys(), !ascending));
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

        // At the narrowest a long status text is cut in its middle, whole in its
        // tooltip, and every panel stays inside the window.
        window.resize(640, 480);
        const QString longText =
            QStringLiteral("Start ") + QString(300, QLatin1Char('x')) + QStringLiteral(" end.");
        window.statusText(1, longText);
        QCoreApplication::processEvents();
        auto* panel1 = fixture.find<QLabel>(QStringLiteral("stbMain_Panel1"));
        QVERIFY(panel1->text().startsWith(QStringLiteral("Start ")) &&
                panel1->text().endsWith(QStringLiteral(" end.")));
        QVERIFY(panel1->text().size() < longText.size());
        QCOMPARE(panel1->toolTip(), longText);
        QCOMPARE(window.panelText(1), longText);
        QVERIFY(panel3->mapTo(&window, QPoint(panel3->width(), 0)).x() <= window.width());
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

    // A screen reader names every button and control in the interface
    // language, and Tab walks the phone's side, then the local one.
    void everyControlIsNamedAndReachable_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << QStringLiteral("english.lng");
        QTest::newRow("Russian") << QStringLiteral("russian.lng");
    }

    void everyControlIsNamedAndReachable()
    {
        QFETCH(QString, language);
        ExplorerFixture fixture;
        fixture.store->write(QStringLiteral("sysLanguage"), language);
        QVERIFY(fixture.start());
        QWidgetList controls = {fixture.tree(), fixture.list(),
                                fixture.find<QWidget>(QStringLiteral("txtURL")),
                                fixture.find<QWidget>(QStringLiteral("wbDisk"))};
        for (QToolBar* bar : fixture.window->findChildren<QToolBar*>()) {
            QVERIFY(!bar->windowTitle().startsWith(QLatin1String("tlb")));
            for (QAction* action : bar->actions()) {
                if (!action->isSeparator())
                    controls << bar->widgetForAction(action);
            }
        }
        for (QWidget* control : controls) {
            QAccessibleInterface* described = QAccessible::queryAccessibleInterface(control);
            QVERIFY2(!described->text(QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
            QVERIFY2(!described->text(QAccessible::Description).isEmpty(), qPrintable(control->objectName()));
        }
        QCOMPARE(fixture.find<QWidget>(QStringLiteral("tlbMain_Download"))->accessibleDescription(),
                 fixture.text(499));

        QVERIFY(QTest::qWaitForWindowActive(fixture.window.get()));
        fixture.tree()->setFocus();
        for (qsizetype i = 1; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), controls[i]);
        }
    }

    // The picture shows the charge read at start-up and at each folder click;
    // a failed reading hides it until the next one; switched off, nothing is asked.
    void batteryPictureFollowsTheCharge_data()
    {
        QTest::addColumn<QStringList>("phone");
        QTest::addColumn<QString>("display");
        QTest::addColumn<int>("level");     // the picture's at start-up; 0: none shown
        QTest::addColumn<QString>("after"); // panel 2 after a folder click
        QTest::newRow("50 %") << QStringList{"--battery", "0,50"} << "True" << 4 << "50% ";
        QTest::newRow("first reading fails")
            << QStringList{"--fault", "CBC=error@1"} << "True" << 0 << "85% ";
        QTest::newRow("off") << QStringList() << "False" << 0 << "";
    }

    void batteryPictureFollowsTheCharge()
    {
        QFETCH(QStringList, phone);
        QFETCH(QString, display);
        QFETCH(int, level);
        QFETCH(QString, after);
        ExplorerFixture fixture(phone);
        fixture.store->write(QStringLiteral("sieDisplayCharge"), display);
        QVERIFY(fixture.start());
        auto* picture = fixture.find<QLabel>(QStringLiteral("picBattery"));
        QCOMPARE(picture->isVisibleTo(fixture.window.get()), level > 0);
        if (level > 0)
            QCOMPARE(picture->property("level").toInt(), level);
        const qsizetype asked = fixture.phone.commands().count(QStringLiteral("AT+CBC"));
        fixture.clickNode(QStringLiteral("/"));
        QCOMPARE(fixture.window->panelText(2), after);
        QCOMPARE(picture->isVisibleTo(fixture.window.get()), !after.isEmpty());
        QCOMPARE(fixture.phone.commands().count(QStringLiteral("AT+CBC")), after.isEmpty() ? 0 : asked + 1);
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

    // Delete in the address field edits the address, it deletes no file.
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
        QCOMPARE(asked, fixture.text(470) + QStringLiteral(" /ml/a.txt?"));
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
