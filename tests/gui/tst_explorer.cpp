#include "ExplorerFixture.h"
#include "phone/RepairJournal.h"

namespace {

// Records the column titles as the style is asked to draw them.
struct TitleRecorder : QProxyStyle
{
    mutable QStringList drawn;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option);
            header && element == CE_HeaderLabel)
            drawn << header->text;
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

} // namespace

class ExplorerTest : public QObject
{
    Q_OBJECT
private slots:
    void startUpListsTheRootAndFolderClicksRebuildTheTree()
    {
        ExplorerFixture fixture;
        fixture.phone.putFile(u"readme.txt"_s, QByteArray(2048, 'r'));
        QVERIFY(
            fixture.startWith({"ml/im/sunset.png", "ml/im/beach.png", "ml/ci/cam.png", "ml/ri/tone.mid",
                               "ml/vd/a\nb.txt", "ml/vd/\x1b[2J/c.txt", "java/selector.utf", "alpha.txt"}));
        const QString working = fixture.window->TempFolder();
        QCOMPARE(fixture.currentTag(), u"/"_s);
        QCOMPARE(fixture.childNames(u"/"_s), (QStringList{"java", "ml"}));
        QCOMPARE(fixture.rowNames(), (QStringList{"alpha.txt", "readme.txt"}));
        const QTreeWidgetItem* readme = fixture.list()->topLevelItem(1);
        QCOMPARE(readme->text(2) + u" = "_s + readme->toolTip(2), u"2.0 KB = 2,048 B"_s);
        QCOMPARE(fixture.panel(), fixture.text(52) + u" 2.0 KB."_s);
        // Without a chosen row Delete and Download are disabled and the key asks
        // nothing; the rows' menu comes without one too, but only where there are rows.
        QVERIFY(!fixture.find<QWidget>(u"tlbMain_Delete"_s)->isEnabled());
        QVERIFY(!fixture.find<QWidget>(u"tlbMain_Download"_s)->isEnabled());
        QTest::keyClick(fixture.list(), Qt::Key_Delete);
        // A double-click on a file no program takes downloads it and says where it lies.
        OpenWith::setOpener([](const QString&) { return false; });
        const QPoint onRow = fixture.list()->visualItemRect(fixture.list()->topLevelItem(0)).center();
        QTest::mouseClick(fixture.list()->viewport(), Qt::LeftButton, {}, onRow);
        QTest::mouseDClick(fixture.list()->viewport(), Qt::LeftButton, {}, onRow);
        QTest::mouseRelease(fixture.list()->viewport(), Qt::LeftButton, {}, onRow);
        QTRY_COMPARE(fixture.panel(), fixture.text(88) + u" "_s +
                                          QDir::toNativeSeparators(fixture.window->TempFolder()) +
                                          u"alpha.txt."_s);
        fixture.clickRow(u"alpha.txt"_s, Qt::ControlModifier);
        auto* menu = fixture.find<QMenu>(u"mnuFileOp"_s);
        emit fixture.list()->customContextMenuRequested(QPoint(5, 5));
        QTRY_VERIFY(menu->isVisible());
        menu->hide();

        fixture.clickNode(u"/ml/"_s);
        QCOMPARE(fixture.rowNames(), QStringList());
        emit fixture.list()->customContextMenuRequested(QPoint(5, 5));
        QVERIFY(!menu->isVisible());
        const QStringList names = fixture.childNames(u"/ml/"_s);
        QCOMPARE(names, (QStringList{"ci", "im", "ri", "vd"}));
        // A second click lists the sub-tree anew, not beside the first.
        fixture.clickNode(u"/ml/"_s);
        QCOMPARE(fixture.childNames(u"/ml/"_s), names);
        fixture.clickNode(u"/ml/im/"_s);
        QCOMPARE(fixture.rowNames(), (QStringList{"beach.png", "sunset.png"}));
        QCOMPARE(fixture.rowFolders(), QStringList{"/ml/im/"});
        // Control characters in names show visibly; the row still stands for the phone's own name.
        fixture.clickNode(u"/ml/vd/"_s);
        QCOMPARE(fixture.rowNames(), QStringList{u"a\uFFFDb.txt"_s});
        QCOMPARE(fixture.childNames(u"/ml/vd/"_s), QStringList{u"\uFFFD[2J"_s});
        fixture.clickRow(u"a\uFFFDb.txt"_s);
        answerBoxes({u"Yes"_s});
        fixture.press(u"tlbMain_Delete"_s);
        QVERIFY(!fixture.phone.hasFile(u"ml/vd/a\nb.txt"_s));
        // The root's click drops everything deeper.
        fixture.clickNode(u"/"_s);
        QCOMPARE(fixture.childNames(u"/ml/"_s), QStringList());
        // The charge display is off: nothing asks for it.
        QCOMPARE(fixture.phone.commands().filter(u"AT+CBC"_s), QStringList());

        // Closing removes the window's working folder (with alpha.txt) and lets the port go.
        QVERIFY(QFileInfo::exists(working + u"alpha.txt"_s));
        QVERIFY(fixture.window->close());
        QVERIFY(!fixture.window->link().isOpen());
        QVERIFY(!QFileInfo::exists(working));
    }

    // Each window works in a folder of its own in the user's cache folder: another window's
    // start-up and its own Settings > OK leave it as it is, and it goes with its window. One
    // that a window which died left behind goes at the next start.
    void everyWindowWorksInAFolderOfItsOwn()
    {
        ExplorerFixture first, second;
        second.window->setCacheFolder(first.cacheFolder());
        const QDir cache(first.cacheFolder());
        QProcess ended;
        ended.start(u"true"_s);
        QVERIFY(ended.waitForStarted());
        const QByteArray deadProgram = QByteArray::number(ended.processId());
        QVERIFY(ended.waitForFinished());
        writeLocal(cache.filePath(u"Vantrel-dead01/.in-use.lock"_s), deadProgram + "\nvantrel\n\n");
        writeLocal(cache.filePath(u"Vantrel-dead01/left.jpg"_s), "left");
        QVERIFY(first.start());
        QVERIFY(!cache.exists(u"Vantrel-dead01"_s));
        const QString firstFolder = first.window->TempFolder();
        writeLocal(firstFolder + u"opened.txt"_s, "1");
        QVERIFY(second.start());
        const QString secondFolder = second.window->TempFolder();
        QVERIFY(secondFolder.startsWith(cache.path()) && secondFolder != firstFolder);
        writeLocal(secondFolder + u"opened.txt"_s, "2");
        first.confirmSettings();
        second.confirmSettings();
        QCOMPARE(readLocal(firstFolder + u"opened.txt"_s), QByteArray("1"));
        QCOMPARE(readLocal(secondFolder + u"opened.txt"_s), QByteArray("2"));
        QVERIFY(second.window->close());
        QVERIFY(!QFileInfo::exists(secondFolder));
        QCOMPARE(readLocal(firstFolder + u"opened.txt"_s), QByteArray("1"));
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
        ExplorerFixture fixture({u"--fault"_s, u"CBC=error@1"_s, u"--battery"_s, u"0,50"_s});
        fixture.store->write(u"sieDisplayCharge"_s, u"True"_s);
        QVERIFY(fixture.startWith({"ml/a.txt"}));
        fixture.window->resize(1280, 800);
        QVERIFY(fixture.showActive());
        // A failed reading of the charge hides its picture until the next folder click reads it again.
        auto* picture = fixture.find<QLabel>(u"picBattery"_s);
        QVERIFY(!picture->isVisibleTo(fixture.window.get()));
        fixture.clickNode(u"/ml/"_s);
        QCOMPARE(fixture.window->panelText(2), u"50% "_s);
        QVERIFY(picture->isVisibleTo(fixture.window.get()));
        QCOMPARE(picture->property("level").toInt(), 4);
        QCOMPARE(fixture.phone.commands().count(u"AT+CBC"_s), 2);
        fixture.clickRow(u"a.txt"_s);
        if (lineDropped) {
            fixture.phone.stop();
        } else {
            fixture.store->write(u"sysLanguage"_s, u"german.lng"_s);
            // A device path as short as a real one: the test checks that the whole reason fits.
            fixture.store->writePortDevice(4, u"/dev/ttyNONE9"_s);
            fixture.window->StartUp();
        }
        WAIT_VERIFY(fixture.panel().startsWith(fixture.text(lineDropped ? 76 : 64)), 5000);
        const QString said = fixture.panel();
        // Nothing the phone told before the loss is shown as if still true.
        QCOMPARE(fixture.tree()->topLevelItemCount() + fixture.list()->topLevelItemCount(), 0);
        QVERIFY(!picture->isVisibleTo(fixture.window.get()));
        QCOMPARE(fixture.window->panelText(2), QString());
        for (const char* button : {"tlbMain_Refresh", "tlbMain_Download", "tlbMain_Delete", "tlbFav_1"})
            QVERIFY2(!fixture.find<QToolButton>(QLatin1String(button))->isEnabled(), button);
        QVERIFY(fixture.find<QToolButton>(u"tlbMain_Settings"_s)->isEnabled());
        QCOMPARE(fixture.list()->headerItem()->text(1), fixture.text(201));
        // The whole reason shows in the status bar.
        QCoreApplication::processEvents();
        auto* panel = fixture.find<QLabel>(u"stbMain_Panel1"_s);
        QVERIFY2(panel->width() >= panel->fontMetrics().horizontalAdvance(said), qPrintable(said));
        // A command tried now says why nothing happens, and keeps the reason.
        QTest::mouseClick(fixture.tree()->viewport(), Qt::LeftButton);
        QTest::keyClick(fixture.tree(), Qt::Key_Delete);
        QCOMPARE(fixture.panel(), fixture.text(82) + QLatin1Char(' ') + said);
    }

    // A cable pulled and put back: the window watches the port, reconnects by itself with no
    // dialog and shows the folder it showed; another phone on that path is shown from its root.
    void aLostPhoneComesBackByItself_data()
    {
        QTest::addColumn<QStringList>("returning");
        QTest::newRow("the same phone") << QStringList();
        QTest::newRow("another phone") << QStringList{"--serial-after-return", "999"};
    }

    void aLostPhoneComesBackByItself()
    {
        QFETCH(QStringList, returning);
        QTemporaryDir here;
        const QString path = here.filePath(u"phone"_s);
        ExplorerFixture fixture(QStringList{"--link", path} + returning);
        fixture.phone.putFile(u"ml/im/a.jpg"_s, "a");
        QVERIFY(fixture.phone.start());
        fixture.store->writePortDevice(4, path);
        RepairJournal(fixture.repairJournalFile())
            .setLineMark(path, {0, 0, QDateTime::currentMSecsSinceEpoch(), 0});
        fixture.window->StartUp();
        QVERIFY(fixture.showActive());
        auto* phoneLabel = fixture.find<QLabel>(u"stbMain_Phone"_s);
        QCOMPARE(phoneLabel->text(), u"ST60"_s);
        QVERIFY2(phoneLabel->toolTip().contains(path), qPrintable(phoneLabel->toolTip()));
        fixture.clickNodes({u"/ml/"_s, u"/ml/im/"_s});
        QCOMPARE(fixture.list()->topLevelItemCount(), 1);

        fixture.phone.vanish();
        WAIT_VERIFY(phoneLabel->text().startsWith(fixture.text(620)), 5000);
        QVERIFY(phoneLabel->toolTip().endsWith(path));
        QCOMPARE(fixture.tree()->topLevelItemCount(), 0);
        fixture.phone.comeBack();
        const bool same = returning.isEmpty();
        WAIT_VERIFY(fixture.panel().startsWith(fixture.text(same ? 623 : 624)), 8000);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(fixture.window->link().isOpen());
        QVERIFY(phoneLabel->isVisibleTo(fixture.window.get()));
        // The list shows where the user was, or the other phone's root (which holds no files).
        QCOMPARE(fixture.list()->topLevelItemCount(), same ? 1 : 0);
        QCOMPARE(fixture.tree()->currentItem()->text(0), same ? u"im"_s : u"/"_s);
    }

    // A title click sorts, a second one turns the order round; another folder
    // and the next run show their rows so, and the window as it was left.
    void columnClicksSortAndTheWindowStateStays_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("order"); // the root's rows, then /ml/'s
        QTest::newRow("name") << 0
                              << QStringList{"a.txt", "b.txt", "c.txt", "d.txt", "x.txt", "y.txt", "z.txt"};
        QTest::newRow("size") << 2
                              << QStringList{"c.txt", "b.txt", "a.txt", "d.txt", "z.txt", "y.txt", "x.txt"};
    }

    void columnClicksSortAndTheWindowStateStays()
    {
        QFETCH(int, column);
        QFETCH(QStringList, order);
        ExplorerFixture fixture;
        const QStringList paths{"b.txt", "a.txt", "c.txt", "d.txt", "ml/y.txt", "ml/x.txt", "ml/z.txt"};
        const int sizes[] = {300, 2048, 5, 70000, 40, 1000, 9};
        for (int i = 0; i < paths.size(); ++i)
            fixture.phone.putFile(paths[i], QByteArray(sizes[i], 'x'));
        QVERIFY(fixture.start());
        QHeaderView* header = fixture.list()->header();
        const QPoint title(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                           header->height() / 2);
        const QStringList downwards(order.crbegin(), order.crend()); // /ml/'s rows, then the root's
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
        QCOMPARE(fixture.rowNames(), order.first(4));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
        QCOMPARE(fixture.rowNames(), downwards.sliced(3));
        fixture.clickNode(u"/ml/"_s);
        QCOMPARE(fixture.rowNames(), downwards.first(3));

        fixture.window->resize(760, 540);
        QVERIFY(QTest::qWaitForWindowExposed(fixture.window.get()));
        auto* columns = fixture.find<QSplitter>(u"columns"_s);
        const int before = columns->sizes().at(0);
        QSplitterHandle* bar = columns->handle(1);
        const QPoint grip = bar->rect().center();
        // The bar is drawn, and a pointer a little beside its middle takes hold of it.
        const QImage picture = bar->grab().toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); ++y)
            colours.insert(picture.pixel(picture.width() / 2, y));
        QVERIFY(colours.size() > 1);
        QCOMPARE(columns->childAt(bar->geometry().center() + QPoint(3, 0)), bar);
        QTest::mousePress(bar, Qt::LeftButton, {}, grip);
        QTest::mouseMove(bar, grip + QPoint(90, 0));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, grip + QPoint(90, 0));
        QTRY_VERIFY(qAbs(columns->sizes().at(0) - (before + 90)) <= 2);
        const QList<int> split = columns->sizes();
        QVERIFY(fixture.window->close());
        fixture.window = std::make_unique<ExplorerWindow>(*fixture.store, fixture.texts);
        fixture.window->setCacheFolder(fixture.cacheFolder());
        fixture.window->StartUp();
        QCOMPARE(fixture.window->size(), QSize(760, 540));
        columns = fixture.find<QSplitter>(u"columns"_s);
        QCOMPARE(columns->sizes(), split);
        QCOMPARE(fixture.rowNames(), downwards.sliced(3));

        // The window keeps a least size, where a long status text is cut in its
        // middle, whole in its tooltip, and every panel stays inside the window.
        ExplorerWindow& window = *fixture.window;
        window.resize(300, 200);
        QCOMPARE(window.size(), QSize(640, 480));
        const QString longText = u"Start "_s + QString(300, QLatin1Char('x')) + u" end."_s;
        window.statusText(1, longText);
        QCoreApplication::processEvents();
        auto* panel1 = fixture.find<QLabel>(u"stbMain_Panel1"_s);
        QVERIFY(panel1->text().startsWith(u"Start "_s) && panel1->text().endsWith(u" end."_s));
        QVERIFY(panel1->text().size() < longText.size());
        QCOMPARE(panel1->toolTip(), longText);
        QWidget* panel3 = fixture.find<QProgressBar>(u"pgbMain"_s)->parentWidget();
        QVERIFY(panel3->mapTo(&window, QPoint(panel3->width(), 0)).x() <= window.width());
        columns->setSizes({0, 2000});
        QVERIFY(columns->sizes().at(0) >= 2000 / 15);

        // Kept from a larger screen, the window opens inside this one.
        window.resize(1600, 1200);
        QVERIFY(window.close());
        fixture.window = std::make_unique<ExplorerWindow>(*fixture.store, fixture.texts);
        fixture.window->setCacheFolder(fixture.cacheFolder());
        fixture.window->setRepairJournalFile(fixture.repairJournalFile());
        fixture.window->StartUp();
        QVERIFY(fixture.window->screen()->availableGeometry().contains(fixture.window->frameGeometry()));
    }

    // A title wider than its column ends in "…" and is whole in its tooltip.
    void columnTitlesFitTheirColumns_data()
    {
        QTest::addColumn<QString>("language");
        for (const char* language : {"polish.lng", "russian.lng", "ukrainian.lng"})
            QTest::newRow(language) << QString::fromLatin1(language);
    }

    void columnTitlesFitTheirColumns()
    {
        QFETCH(QString, language);
        ExplorerFixture fixture;
        fixture.store->write(u"sysLanguage"_s, language);
        QVERIFY(fixture.startWith({"ml/a.txt"}));
        fixture.window->resize(640, 480);
        QVERIFY(QTest::qWaitForWindowExposed(fixture.window.get()));
        QHeaderView* header = fixture.list()->header();
        // The user sorts by the folder column, then narrows it by its right edge.
        const auto at = [header](int x) {
            return QPoint(header->sectionViewportPosition(1) + x, header->height() / 2);
        };
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at(20));
        const QPoint edge = at(header->sectionSize(1) - 1);
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, edge);
        QTest::mouseMove(header->viewport(), edge - QPoint(50, 0));
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, edge - QPoint(50, 0));
        QCOMPARE(header->sortIndicatorSection(), 1);
        QVERIFY(header->sectionSize(1) < header->fontMetrics().horizontalAdvance(fixture.text(201)));
        TitleRecorder recorder;
        header->setStyle(&recorder);
        header->grab();
        header->setStyle(nullptr);
        // Cut with "…", clear of the sort arrow.
        const QString shown = recorder.drawn.value(1);
        const int arrow = header->style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header);
        QVERIFY2(shown.endsWith(u"…"_s) && fixture.text(201).startsWith(shown.chopped(1)), qPrintable(shown));
        QVERIFY(header->fontMetrics().horizontalAdvance(shown) + arrow <= header->sectionSize(1));
        QHelpEvent hover(QEvent::ToolTip, at(20), header->viewport()->mapToGlobal(at(20)));
        QCoreApplication::sendEvent(header->viewport(), &hover);
        QTRY_COMPARE(QToolTip::text(), fixture.text(201));
    }

    // A screen reader names every button and control in the interface
    // language, and Tab walks the phone's side, then the local one.
    void everyControlIsNamedAndReachable()
    {
        ExplorerFixture fixture;
        fixture.store->write(u"sysLanguage"_s, u"russian.lng"_s);
        QVERIFY(fixture.start());
        QWidgetList controls = {fixture.tree(), fixture.list(), fixture.find<QWidget>(u"txtURL"_s),
                                fixture.find<QWidget>(u"wbDisk"_s)};
        for (QToolBar* bar : fixture.window->findChildren<QToolBar*>()) {
            QVERIFY(!bar->windowTitle().startsWith(QLatin1String("tlb")));
            for (QAction* action : bar->actions()) {
                if (!action->isSeparator())
                    controls << bar->widgetForAction(action);
            }
        }
        for (QWidget* control : controls) {
            QAccessibleInterface* described = QAccessible::queryAccessibleInterface(control);
            QVERIFY2(!described->text(QAccessible::Name).isEmpty() &&
                         !described->text(QAccessible::Description).isEmpty(),
                     qPrintable(control->objectName()));
        }
        QCOMPARE(fixture.find<QWidget>(u"tlbMain_Download"_s)->accessibleDescription(), fixture.text(499));

        QVERIFY(QTest::qWaitForWindowActive(fixture.window.get()));
        fixture.tree()->setFocus();
        for (qsizetype i = 1; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), controls[i]);
        }
    }

    void closingWhileThePhoneIsSlowEndsTheExchangeFirst()
    {
        ExplorerFixture fixture({u"--fault"_s, u"QFSL=silent@2"_s});
        fixture.store->write(u"sieTimeOut"_s, u"15000"_s);
        QVERIFY(fixture.phone.start());
        fixture.store->writePortDevice(4, fixture.phone.device());
        // The root listing waits for a silent phone; the close ends it.
        QTimer::singleShot(200, fixture.window.get(), [&] { fixture.window->close(); });
        fixture.window->StartUp();
        WAIT_VERIFY(!fixture.window->isVisible(), 5000);
        QVERIFY(!fixture.window->link().isOpen());
    }
};

QTEST_MAIN(ExplorerTest)
#include "tst_explorer.moc"
