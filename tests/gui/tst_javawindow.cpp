#include "ExplorerFixture.h"
#include "javawindow/JavaWindow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QToolButton>

namespace {

QByteArray sampleFile(const QString& path)
{
    QFile file(QStringLiteral(VANTREL_SOURCE_DIR "/") + path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QStringList kSampleJava{"selector.utf", "s0_suite.jad", "s0_suite.jar", "s1_suite.jad", "s1_suite.jar"};

// The main window with a phone holding the sample phone's Java menu and suites.
struct JavaFixture : ExplorerFixture
{
    explicit JavaFixture(const QStringList& simulatorArguments = {}) : ExplorerFixture(simulatorArguments)
    {
        for (const QString& name : kSampleJava)
            phone.putFile(QStringLiteral("java/") + name,
                          sampleFile(QStringLiteral("phone-sample/java/") + name));
    }
};

QTreeWidget* javaTree(JavaWindow* window)
{
    return window->findChild<QTreeWidget*>(QStringLiteral("tvJava"));
}

QTreeWidgetItem* javaNode(JavaWindow* window, const QString& text)
{
    const auto found = javaTree(window)->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

// Clicks a node where the user sees it, unfolding its suite first if needed.
void clickNode(JavaWindow* window, const QString& text)
{
    QTreeWidget* tree = javaTree(window);
    QTreeWidgetItem* node = javaNode(window, text);
    QVERIFY2(node, qPrintable(text));
    if (node->parent() && !node->parent()->isExpanded()) {
        clickNode(window, node->parent()->text(0));
        QTest::keyClick(tree, Qt::Key_Right);
    }
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
}

void clickButton(QWidget* window, const char* name)
{
    auto* button = window->findChild<QToolButton*>(QLatin1String(name));
    QVERIFY2(button && button->isEnabled(), name);
    QTest::mouseClick(button, Qt::LeftButton);
}

// Buttons 1 to 5 as the user sees them: their number when enabled, else "-".
QString enabledButtons(JavaWindow* window)
{
    QString shown;
    for (const char* name :
         {"tlbJava_Download", "tlbJava_Install", "tlbJava_Delete", "tlbJava_Export", "tlbJava_Send"}) {
        auto* button = window->findChild<QToolButton*>(QLatin1String(name));
        shown += button && button->isEnabled() ? QString::number(shown.size() + 1) : QStringLiteral("-");
    }
    return shown;
}

// The menu as the tree shows it: each folder with its suites.
QStringList shownSuites(JavaWindow* window)
{
    QStringList shown;
    QTreeWidget* tree = javaTree(window);
    if (tree->topLevelItemCount() == 0)
        return shown;
    const QTreeWidgetItem* root = tree->topLevelItem(0);
    for (int f = 0; f < root->childCount(); ++f) {
        const QTreeWidgetItem* node = root->child(f);
        // A suite outside any folder stands under the menu itself.
        if (node->data(0, Qt::UserRole).toString().startsWith(QLatin1Char('M'))) {
            shown << QLatin1Char('/') + node->text(0);
            continue;
        }
        for (int s = 0; s < node->childCount(); ++s)
            shown << node->text(0) + QLatin1Char('/') + node->child(s)->text(0);
    }
    return shown;
}

void readMenu(JavaWindow* window)
{
    clickButton(window, "tlbJava_Download");
    QTRY_COMPARE_WITH_TIMEOUT(enabledButtons(window), QStringLiteral("1---5"), 10000);
}

// Chooses a file in the package dialog as a user does: types its name, clicks Open.
void choosePackageNext(const QString& name)
{
    onNextModal<QFileDialog>([name](QFileDialog* dialog) {
        QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")), name);
        auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
    });
}

// Answers the question the main window asks before it sends, ticking
// "also delete the files of removed suites" first if asked to.
void answerSendQuestion(QMessageBox::StandardButton button, bool deleteFiles, QString* text)
{
    onNextModal<QMessageBox>([=](QMessageBox* box) {
        *text = box->text();
        if (deleteFiles)
            QTest::mouseClick(box->checkBox(), Qt::LeftButton, {}, QPoint(8, box->checkBox()->height() / 2));
        box->button(button)->click();
    });
}

// Installs the sample package with the node `chosen` selected; the package
// lies in the folder the main window's local pane shows.
void installHello(JavaWindow* window, const QString& localFolder, const QString& chosen)
{
    clickNode(window, chosen);
    QVERIFY(QFile::copy(QStringLiteral(VANTREL_SOURCE_DIR "/samples/hello-java.vnj"),
                        localFolder + QStringLiteral("/hello-java.vnj")));
    choosePackageNext(QStringLiteral("hello-java.vnj"));
    clickButton(window, "tlbJava_Install");
}

// Drives the manager the Java command opens; it is closed afterwards if the
// steps left it open, so a failed step cannot hang the test.
void driveNextManager(std::function<void(JavaWindow*)> steps)
{
    onNextModal<JavaWindow>([steps](JavaWindow* window) {
        QPointer<JavaWindow> guarded(window);
        steps(window);
        if (guarded && guarded->isVisible())
            guarded->reject();
    });
}

} // namespace

class JavaWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir data_;
    JavaEdits edits_;

    std::unique_ptr<JavaWindow> openManager(JavaFixture& fixture)
    {
        // The main window comes up first, as when its Java button opens the manager.
        if (!QTest::qWaitForWindowActive(fixture.window.get()))
            qWarning("the main window did not become active");
        auto window = std::make_unique<JavaWindow>(fixture.window->link(), fixture.texts,
                                                   fixture.window->TempFolder(), fixture.window->UploadList,
                                                   edits_, fixture.localFolder(), fixture.window.get());
        window->show();
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("the manager did not become the active window");
        return window;
    }

    std::unique_ptr<JavaWindow> openManagerWithMenu(JavaFixture& fixture)
    {
        auto window = openManager(fixture);
        readMenu(window.get());
        return window;
    }

    QString menuCopy() const
    {
        const QDir copies(data_.filePath(QStringLiteral("Vantrel/Vantrel/java-menus")));
        const QStringList files = copies.entryList(QDir::Files);
        return files.isEmpty() ? QString() : copies.filePath(files.first());
    }

private slots:
    void initTestCase()
    {
        // The copies of the phone's menu go into a data folder of the test's own.
        qputenv("XDG_DATA_HOME", data_.path().toLocal8Bit());
        QApplication::setApplicationName(QStringLiteral("Vantrel"));
        QApplication::setOrganizationName(QStringLiteral("Vantrel"));
    }

    void init()
    {
        QDir(data_.path()).removeRecursively();
        edits_ = JavaEdits{};
    }

    void opensWithOnlyReadThenShowsTheMenu()
    {
        JavaFixture fixture;
        QVERIFY(fixture.start());
        auto window = openManager(fixture);
        QCOMPARE(enabledButtons(window.get()), QStringLiteral("1----"));
        QCOMPARE(javaTree(window.get())->topLevelItemCount(), 0);
        // Delete on the empty tree does nothing.
        QTest::mouseClick(javaTree(window.get())->viewport(), Qt::LeftButton);
        QTest::keyClick(javaTree(window.get()), Qt::Key_Delete);
        QCOMPARE(enabledButtons(window.get()), QStringLiteral("1----"));

        readMenu(window.get());
        QVERIFY(javaTree(window.get())->topLevelItem(0));
        QCOMPARE(javaTree(window.get())->topLevelItem(0)->text(0), QStringLiteral("/java/selector.utf"));
        QCOMPARE(shownSuites(window.get()), (QStringList{"Games/Snake", "Tools/Calculator"}));
        QStringList details;
        for (const char* suite : {"Snake", "Calculator"}) {
            const QTreeWidgetItem* node = javaNode(window.get(), QLatin1String(suite));
            QVERIFY2(node, suite);
            for (int i = 0; i < node->childCount(); ++i)
                details << node->child(i)->text(0);
        }
        QCOMPARE(details,
                 (QStringList{"Class: snake.Main", "Domain: untrusted", "Icon: /icon.png", "Midlet: Snake",
                              "Num: 1", "Root: s0_", "Class: calc.Main", "Domain: untrusted",
                              "Icon: ", "Midlet: Calculator", "Num: 1", "Root: s1_"}));
    }

    void buttonsAndDeletionFollowTheChosenNode_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<QStringList>("suitesLeft");
        const QStringList all{"Games/Snake", "Tools/Calculator"};
        QTest::newRow("menu, key") << "<root>" << true << "1---5" << all;
        QTest::newRow("folder, key") << "Games" << true << "12--5" << all;
        QTest::newRow("suite, key") << "Snake" << true << "12345" << QStringList{"Tools/Calculator"};
        QTest::newRow("suite, button") << "Calculator" << false << "12345" << QStringList{"Games/Snake"};
        QTest::newRow("detail, key") << "Root: s0_" << true << "1---5" << all;
    }

    void buttonsAndDeletionFollowTheChosenNode()
    {
        QFETCH(QString, node);
        QFETCH(bool, byKey);
        QFETCH(QString, buttons);
        QFETCH(QStringList, suitesLeft);
        JavaFixture fixture;
        QVERIFY(fixture.start());
        auto window = openManagerWithMenu(fixture);
        const QTreeWidgetItem* menu = javaTree(window.get())->topLevelItem(0);
        QVERIFY(menu);
        const QString text = node == QLatin1String("<root>") ? menu->text(0) : node;
        clickNode(window.get(), text);
        QCOMPARE(enabledButtons(window.get()), buttons);
        if (byKey)
            QTest::keyClick(javaTree(window.get()), Qt::Key_Delete);
        else
            clickButton(window.get(), "tlbJava_Delete");
        QCOMPARE(shownSuites(window.get()), suitesLeft);
        // The buttons follow the node the selection moved on to: never an
        // install into no folder.
        int depth = 0; // 1 the menu, 2 a folder, 3 a suite
        for (const QTreeWidgetItem* node = javaTree(window.get())->currentItem(); node; node = node->parent())
            ++depth;
        const bool inFolder = depth == 2 || depth == 3;
        QCOMPARE(window->findChild<QToolButton*>(QStringLiteral("tlbJava_Install"))->isEnabled(), inFolder);
    }

    void installsAPackageIntoTheChosenFolder_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("installedAs");
        QTest::newRow("folder chosen") << "Tools"
                                       << "Tools/Hello Vantrel";
        QTest::newRow("suite chosen") << "Snake"
                                      << "Games/Hello Vantrel";
    }

    void installsAPackageIntoTheChosenFolder()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, installedAs);
        JavaFixture fixture;
        QVERIFY(fixture.start());
        auto window = openManagerWithMenu(fixture);
        installHello(window.get(), fixture.localFolder(), chosen);
        QTRY_VERIFY(shownSuites(window.get()).contains(installedAs));
        QCOMPARE(shownSuites(window.get()).size(), 3);
        // NextRoot was 2: the suite's files wait under the root s2_.
        const QDir working(fixture.window->TempFolder());
        QCOMPARE(working.entryList({QStringLiteral("s*_suite.*")}, QDir::Files),
                 (QStringList{"s2_suite.jad", "s2_suite.jar"}));
        QCOMPARE(working.entryList({QStringLiteral("s2_suite.jar")}, QDir::Files).size(), 1);

        clickButton(window.get(), "tlbJava_Send");
        QTRY_VERIFY(!window->isVisible());
        QStringList queued;
        for (const UploadItem& item : fixture.window->UploadList) {
            QCOMPARE(item.PhoneFolder, QStringLiteral("</java>"));
            queued << QFileInfo(item.LocalPath).fileName();
        }
        QCOMPARE(queued, (QStringList{"selector.utf", "s2_suite.jad", "s2_suite.jar"}));
    }

    void exportsTheChosenSuiteAsAPackageFolder()
    {
        JavaFixture fixture;
        QVERIFY(fixture.start());
        // The Java favourite lists "/java/": the export takes the suite's files from that listing.
        clickButton(fixture.window.get(), "tlbFav_5");
        auto window = openManager(fixture);
        readMenu(window.get());
        clickNode(window.get(), QStringLiteral("Snake"));
        QString said;
        answerNextMessageBox(QMessageBox::Ok, &said);
        clickButton(window.get(), "tlbJava_Export");
        const QDir package(fixture.localFolder() + QStringLiteral("/Snake"));
        QTRY_VERIFY(said.contains(QDir::toNativeSeparators(package.path())));
        QCOMPARE(package.entryList(QDir::Files), (QStringList{"java.jad", "java.jar", "vnjava.ini"}));
        QFile jar(package.filePath(QStringLiteral("java.jar")));
        QVERIFY(jar.open(QIODevice::ReadOnly));
        QCOMPARE(jar.readAll(), sampleFile(QStringLiteral("phone-sample/java/s0_suite.jar")));
        QVERIFY(window->isEnabled());
    }

    void aMenuReadUpToAnErrorIsSentOnlyAfterAsking()
    {
        JavaFixture fixture;
        QByteArray menu = sampleFile(QStringLiteral("phone-sample/java/selector.utf"));
        menu.replace(menu.lastIndexOf("num=1"), 5, "num=");
        fixture.phone.putFile(QStringLiteral("java/selector.utf"), menu);
        QVERIFY(fixture.start());
        auto window = openManager(fixture);
        QString said;
        answerNextMessageBox(QMessageBox::Ok, &said);
        readMenu(window.get());
        QTRY_COMPARE(said, fixture.text(266));
        QCOMPARE(shownSuites(window.get()).value(0), QStringLiteral("Games/Snake"));
        for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            answerNextMessageBox(answer, &said);
            clickButton(window.get(), "tlbJava_Send");
            QTRY_COMPARE(said, fixture.text(273));
            QCOMPARE(window->isVisible(), answer == QMessageBox::No);
            QCOMPARE(fixture.window->UploadList.size(), answer == QMessageBox::No ? 0 : 1);
        }
    }

    void javaCommandAsksAfterTheManagerCloses_data()
    {
        QTest::addColumn<bool>("send");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("deleteFiles");
        QTest::newRow("closed without sending: no question") << false << QMessageBox::NoButton << false;
        QTest::newRow("Yes sends") << true << QMessageBox::Yes << false;
        QTest::newRow("Yes, also deleting the removed suite's files") << true << QMessageBox::Yes << true;
        QTest::newRow("No keeps the edits for next time") << true << QMessageBox::No << false;
    }

    void javaCommandAsksAfterTheManagerCloses()
    {
        QFETCH(bool, send);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, deleteFiles);
        JavaFixture fixture;
        QVERIFY(fixture.start());
        QByteArray oldMenu = fixture.phone.fileContent(QStringLiteral("java/selector.utf"));
        QString asked;
        driveNextManager([&](JavaWindow* window) {
            readMenu(window);
            clickNode(window, QStringLiteral("Snake"));
            QTest::keyClick(javaTree(window), Qt::Key_Delete);
            if (answer != QMessageBox::NoButton)
                answerSendQuestion(answer, deleteFiles, &asked);
            if (send)
                clickButton(window, "tlbJava_Send");
        });
        clickButton(fixture.window.get(), "tlbMain_Java");
        QCOMPARE(asked.isEmpty(), answer == QMessageBox::NoButton);
        // Not even the menu's reading leaves its percentage behind.
        QCOMPARE(fixture.window->panelText(3), QString());
        const QByteArray menu = fixture.phone.fileContent(QStringLiteral("java/selector.utf"));
        if (answer != QMessageBox::Yes) {
            QCOMPARE(menu, oldMenu);
            if (answer == QMessageBox::NoButton)
                return;
            QCOMPARE(fixture.window->panelText(1), fixture.text(424));
            // Meanwhile the phone's menu changes; the copy kept must be of that one.
            oldMenu += "folder=Added elsewhere\n";
            fixture.phone.putFile(QStringLiteral("java/selector.utf"), oldMenu);
            // The manager opens with the edits; when it closes, even by its close box, the question comes
            // again.
            QStringList reopened;
            driveNextManager([&](JavaWindow* window) {
                reopened = shownSuites(window);
                answerNextMessageBox(QMessageBox::Yes, &asked);
            });
            asked.clear();
            clickButton(fixture.window.get(), "tlbMain_Java");
            QCOMPARE(reopened, QStringList{QStringLiteral("Tools/Calculator")});
            QVERIFY(!asked.isEmpty());
        }
        QTRY_VERIFY(!fixture.phone.fileContent(QStringLiteral("java/selector.utf")).contains("Snake"));
        QVERIFY(fixture.phone.fileContent(QStringLiteral("java/selector.utf")).contains("Calculator"));
        QCOMPARE(fixture.window->panelText(1), fixture.text(422));
        // The suite's files stay unless asked; the old menu went right before the new one came, and a copy is
        // kept.
        QCOMPARE(fixture.phone.hasFile(QStringLiteral("java/s0_suite.jar")), !deleteFiles);
        QVERIFY(fixture.phone.hasFile(QStringLiteral("java/s1_suite.jar")));
        const QStringList commands = fixture.phone.commands();
        const auto firstWrite = std::find_if(commands.begin(), commands.end(),
                                             [](const QString& c) { return c.startsWith("AT+QFWF="); });
        const auto deletion = std::find_if(commands.begin(), commands.end(),
                                           [](const QString& c) { return c.startsWith("AT+QFDF="); });
        QVERIFY(deletion < firstWrite && firstWrite != commands.end());
        QFile copy(menuCopy());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), oldMenu);
        QVERIFY(!fixture.window->UploadList.isEmpty());
        QCOMPARE(fixture.window->UploadList.first().PhoneFolder, QStringLiteral("/java"));
        // The sending is over: no Stop button, no progress left standing.
        QVERIFY(fixture.window->findChild<QWidget*>(QStringLiteral("fraTransfer"))->isHidden());
        QVERIFY(fixture.window->panelText(3).isEmpty());
    }

    // Suites outside any folder and twin folders each show what the file holds.
    void showsEverySuiteWhereTheMenuHasIt()
    {
        JavaFixture fixture;
        QByteArray menu = sampleFile(QStringLiteral("phone-sample/java/selector.utf"));
        menu.replace("folder=Tools", "folder=Games")
            .replace("nextroot=2\n", "nextroot=2\nsuite=Lone, \\\n\troot=s5_, \\\n\tnum=1, \\\n\tdomain=d\n");
        fixture.phone.putFile(QStringLiteral("java/selector.utf"), menu);
        QVERIFY(fixture.start());
        auto window = openManagerWithMenu(fixture);
        QCOMPARE(shownSuites(window.get()), (QStringList{"/Lone", "Games/Snake", "Games/Calculator"}));
    }

    void failedDownloadClosesTheManager()
    {
        JavaFixture fixture({QStringLiteral("--fault"), QStringLiteral("QFRF=error")});
        QVERIFY(fixture.start());
        bool closedByItself = false;
        driveNextManager([&](JavaWindow* window) {
            clickButton(window, "tlbJava_Download");
            QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 10000);
            closedByItself = true;
        });
        clickButton(fixture.window.get(), "tlbMain_Java");
        QVERIFY(closedByItself);
        QVERIFY(fixture.window->UploadList.isEmpty());
    }

    // A failed upload stops the sending; the phone keeps a working menu, or
    // gets it back at the next connection, and the texts say which.
    void failedUploadLeavesAWorkingMenu_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("install");
        QTest::addColumn<int>("holds");
        QTest::newRow("the menu refused once: put back at once") << "QFWF=error@1" << false << 420;
        QTest::newRow("a suite file refused: nothing after it") << "QFWF=error@1" << true << 420;
        QTest::newRow("every upload refused: put back later") << "QFWF=error" << false << 421;
    }
    void failedUploadLeavesAWorkingMenu()
    {
        QFETCH(QString, fault);
        QFETCH(bool, install);
        QFETCH(int, holds);
        JavaFixture fixture({QStringLiteral("--fault"), fault});
        QVERIFY(fixture.start());
        const QByteArray oldMenu = fixture.phone.fileContent(QStringLiteral("java/selector.utf"));
        QString reported;
        driveNextManager([&](JavaWindow* window) {
            readMenu(window);
            if (install) {
                installHello(window, fixture.localFolder(), QStringLiteral("Games"));
                QTRY_VERIFY(shownSuites(window).contains(QStringLiteral("Games/Hello Vantrel")));
            }
            // Yes to the question, then the report of the failed upload.
            onNextModal<QMessageBox>([&](QMessageBox* question) {
                answerNextMessageBox(QMessageBox::Ok, &reported);
                question->button(QMessageBox::Yes)->click();
            });
            clickButton(window, "tlbJava_Send");
        });
        clickButton(fixture.window.get(), "tlbMain_Java");
        QTRY_VERIFY(!reported.isEmpty());
        QVERIFY(reported.startsWith(fixture.text(263)));
        QVERIFY2(reported.contains(fixture.text(holds)), qPrintable(reported));
        QCOMPARE(fixture.window->panelText(1), fixture.text(holds));
        QVERIFY(!menuCopy().isEmpty());
        // The copy named outlives the program: it lies in the user's data folder.
        QVERIFY2(
            reported.contains(fixture.text(274) + QLatin1Char(' ') + QDir::toNativeSeparators(menuCopy())),
            qPrintable(reported));
        QVERIFY(!fixture.phone.hasFile(QStringLiteral("java/s2_suite.jar")));
        if (holds == 420)
            QCOMPARE(fixture.phone.fileContent(QStringLiteral("java/selector.utf")), oldMenu);
    }

    // A phone that does not answer the old menu's deletion gets no files.
    void noFilesWhenTheDeletionGoesUnanswered()
    {
        JavaFixture fixture({QStringLiteral("--fault"), QStringLiteral("QFDF=silent")});
        QVERIFY(fixture.start());
        QString failure;
        driveNextManager([&](JavaWindow* window) {
            readMenu(window);
            clickNode(window, QStringLiteral("Snake"));
            QTest::keyClick(javaTree(window), Qt::Key_Delete);
            onNextModal<QMessageBox>([&](QMessageBox* question) {
                question->button(QMessageBox::Yes)->click();
                answerNextMessageBox(QMessageBox::Ok, &failure);
            });
            clickButton(window, "tlbJava_Send");
        });
        clickButton(fixture.window.get(), "tlbMain_Java");
        QVERIFY2(failure.contains(QStringLiteral("could not be sent")), qPrintable(failure));
        QVERIFY(fixture.phone.commands().contains(
            QStringLiteral("AT+QFDF=\"002F006A006100760061\",0,"
                           "\"00730065006C006500630074006F0072002E007500740066\",1")));
        QCOMPARE(fixture.phone.commands().filter(QStringLiteral("AT+QFWF")), QStringList());
    }
};

QTEST_MAIN(JavaWindowTest)
#include "tst_javawindow.moc"
