#include "ExplorerFixture.h"
#include "javawindow/JavaWindow.h"

namespace {

QByteArray sampleFile(const QString& name)
{
    return readLocal(QStringLiteral(VANTREL_SOURCE_DIR "/phone-sample/java/") + name);
}

// The main window with a phone holding the sample phone's Java menu and suites.
struct JavaFixture : ExplorerFixture
{
    explicit JavaFixture(const QStringList& simulatorArguments = {}) : ExplorerFixture(simulatorArguments)
    {
        for (const char* name :
             {"selector.utf", "s0_suite.jad", "s0_suite.jar", "s1_suite.jad", "s1_suite.jar"})
            phone.putFile(u"java/"_s + QLatin1String(name), sampleFile(QLatin1String(name)));
    }

    // The copy of the phone's menu kept in the user's data folder, which outlives the program.
    QString menuCopy() const
    {
        QDirIterator it(folder.filePath(u"data"_s), {u"selector-*.utf"_s}, QDir::Files,
                        QDirIterator::Subdirectories);
        return it.hasNext() ? it.next() : QString();
    }
};

QTreeWidget* javaTree(QWidget* window)
{
    return window->findChild<QTreeWidget*>(u"tvJava"_s);
}

// Clicks a node where the user sees it, unfolding its suite first if needed.
bool clickNode(QWidget* window, const QString& text)
{
    QTreeWidget* tree = javaTree(window);
    const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    if (found.isEmpty())
        return false;
    if (found.first()->parent() && !found.first()->parent()->isExpanded()) {
        clickNode(window, found.first()->parent()->text(0));
        QTest::keyClick(tree, Qt::Key_Right);
    }
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(found.first()).center());
    return true;
}

void clickButton(QWidget* window, const char* name)
{
    auto* button = window->findChild<QToolButton*>(QLatin1String(name));
    QVERIFY2(button && button->isEnabled(), name);
    QTest::mouseClick(button, Qt::LeftButton);
}

// Buttons 1 to 5 as the user sees them: their number when enabled, else "-".
QString enabledButtons(QWidget* window)
{
    QString shown;
    for (const char* name :
         {"tlbJava_Download", "tlbJava_Install", "tlbJava_Delete", "tlbJava_Export", "tlbJava_Send"}) {
        auto* button = window->findChild<QToolButton*>(QLatin1String(name));
        shown += button && button->isEnabled() ? QString::number(shown.size() + 1) : u"-"_s;
    }
    return shown;
}

// The suites as the tree shows them, each after its folder ("/Name": outside any folder).
QStringList shownSuites(QWidget* window)
{
    QStringList shown;
    for (QTreeWidgetItemIterator it(javaTree(window)); *it; ++it) {
        const QTreeWidgetItem* node = *it;
        if (node->data(0, Qt::UserRole).toString().startsWith(QLatin1Char('M')))
            shown << (node->parent()->parent() ? node->parent()->text(0) : QString()) + QLatin1Char('/') +
                         node->text(0);
    }
    return shown;
}

bool readMenu(QWidget* window)
{
    clickButton(window, "tlbJava_Download");
    // A failed reading closes the manager: no use waiting on.
    const auto read = [window] { return enabledButtons(window) == "1---5" || !window->isVisible(); };
    return QTest::qWaitFor(read, 10000) && window->isVisible();
}

// Installs the sample package with the node `chosen` selected, choosing it in
// the package dialog (titled `title`) as a user does: its row clicked, Open clicked.
bool installHello(QWidget* window, const QString& localFolder, const QString& chosen, const QString& title)
{
    QFile::copy(VANTREL_SOURCE_DIR "/samples/hello-java.vnj", localFolder + "/hello-java.vnj");
    const qsizetype before = shownSuites(window).size();
    if (!clickNode(window, chosen))
        return false;
    QString shownTitle;
    chooseInFileDialog({u"hello-java.vnj"_s}, &shownTitle);
    clickButton(window, "tlbJava_Install");
    return shownTitle == title && shownSuites(window).size() > before;
}

// Runs the Java command, driving the manager it opens; the manager is closed
// afterwards if the steps left it open, so a failed step cannot hang the test.
void runJavaCommand(const JavaFixture& fixture, std::function<void(JavaWindow*)> steps)
{
    onNextModal<JavaWindow>([steps](JavaWindow* window) {
        QPointer<JavaWindow> guarded(window);
        steps(window);
        if (guarded && guarded->isVisible())
            guarded->reject();
    });
    clickButton(fixture.window.get(), "tlbMain_Java");
}

} // namespace

class JavaWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void editsTheMenuAndSendsIt_data()
    {
        QTest::addColumn<bool>("deleteFiles");
        QTest::addColumn<bool>("sendAgain");
        QTest::newRow("the removed suites' files kept, closed") << false << false;
        QTest::newRow("the removed suites' files deleted, sent again") << true << true;
    }

    // The manager opens with only Read; the menu read shows its suites and
    // their details, the buttons follow the chosen node, the chosen suite is
    // exported, packages go into the chosen folder and Delete takes suites
    // off. No to sending keeps the edits, with the new suites' files, past
    // Settings > OK for the next opening, whose closing or Send asks again;
    // Yes sends, deleting the removed suites' files only when asked.
    void editsTheMenuAndSendsIt()
    {
        QFETCH(bool, deleteFiles);
        QFETCH(bool, sendAgain);
        JavaFixture fixture;
        QVERIFY(fixture.start());
        QStringList said;
        runJavaCommand(fixture, [&](JavaWindow* window) {
            QCOMPARE(enabledButtons(window), u"1----"_s);
            // Delete on the empty tree does nothing.
            QTest::mouseClick(javaTree(window)->viewport(), Qt::LeftButton);
            QTest::keyClick(javaTree(window), Qt::Key_Delete);
            QCOMPARE(enabledButtons(window), u"1----"_s);
            QVERIFY(readMenu(window));
            QCOMPARE(shownSuites(window), (QStringList{"Games/Snake", "Tools/Calculator"}));
            QCOMPARE(fixture.window->panelText(1), fixture.text(531) + u" 2."_s);
            const QTreeWidgetItem* snake =
                javaTree(window)->findItems(u"Snake"_s, Qt::MatchRecursive).value(0);
            QStringList details;
            for (int i = 0; snake && i < snake->childCount(); ++i)
                details << snake->child(i)->text(0);
            QCOMPARE(details, (QStringList{"Class: snake.Main", "Domain: untrusted", "Icon: /icon.png",
                                           "Midlet: Snake", "Num: 1", "Root: s0_"}));

            QVERIFY(clickNode(window, u"Snake"_s));
            answerBoxes({u"Ok"_s}, &said);
            clickButton(window, "tlbJava_Export");
            QVERIFY(window->isEnabled());

            // Into the folder chosen, or the chosen suite's; NextRoot was 2.
            QVERIFY(installHello(window, fixture.localFolder(), u"Tools"_s, fixture.text(533)));
            QVERIFY(installHello(window, fixture.localFolder(), u"Snake"_s, fixture.text(533)));
            QCOMPARE(shownSuites(window), (QStringList{"Games/Snake", "Games/Hello Vantrel",
                                                       "Tools/Calculator", "Tools/Hello Vantrel"}));

            // Back from the dialogs, as a window manager brings it back (the offscreen platform does not).
            QApplication::setActiveWindow(window);
            const QStringList choices{
                "/java/selector.utf", "1---5", "Games", "12--5",
                "Root: s0_",          "1---5", "Snake", "12345"}; // each node, then the buttons it enables
            for (qsizetype i = 0; i < choices.size(); i += 2) {
                QVERIFY2(clickNode(window, choices[i]), qPrintable(choices[i]));
                QCOMPARE(enabledButtons(window), choices[i + 1]);
                QTest::keyClick(javaTree(window), Qt::Key_Delete);
                // The buttons follow the node the selection moved on to (F folder, M suite), or none.
                const QTreeWidgetItem* at = javaTree(window)->currentItem();
                const QString kind = at ? at->data(0, Qt::UserRole).toString().left(1) : QString();
                QCOMPARE(enabledButtons(window)[1] == QLatin1Char('2'), kind == "F" || kind == "M");
            }
            QVERIFY(clickNode(window, u"Calculator"_s));
            clickButton(window, "tlbJava_Delete");
            QCOMPARE(shownSuites(window), (QStringList{"Games/Hello Vantrel", "Tools/Hello Vantrel"}));
            answerBoxes({u"No"_s}, &said);
            clickButton(window, "tlbJava_Send");
        });

        const QDir package(fixture.localFolder() + u"/Snake"_s);
        QVERIFY(said.value(0).contains(QDir::toNativeSeparators(package.path())));
        QCOMPARE(package.entryList(QDir::Files), (QStringList{"java.jad", "java.jar", "vnjava.ini"}));
        QCOMPARE(readLocal(package.filePath(u"java.jar"_s)), sampleFile(u"s0_suite.jar"_s));
        // No to the question after the manager closed: the queue waits, the menu first.
        QCOMPARE(said.value(1), fixture.text(111));
        QCOMPARE(fixture.window->panelText(1), fixture.text(424));
        // Not even the menu's reading leaves its percentage behind.
        QCOMPARE(fixture.window->panelText(3), QString());
        QStringList queued;
        for (const UploadItem& item : fixture.window->uploadQueue())
            queued << item.PhoneFolder + QFileInfo(item.LocalPath).fileName();
        QCOMPARE(queued, (QStringList{"</java>selector.utf", "</java>s2_suite.jad", "</java>s2_suite.jar",
                                      "</java>s3_suite.jad", "</java>s3_suite.jar"}));

        // Meanwhile the phone's menu changes; the copy kept must be of that one.
        const QByteArray menu = fixture.phone.fileContent(u"java/selector.utf"_s) + "folder=Elsewhere\n";
        fixture.phone.putFile(u"java/selector.utf"_s, menu);
        fixture.confirmSettings();
        QStringList reopened;
        runJavaCommand(fixture, [&](JavaWindow* window) {
            reopened = shownSuites(window);
            answerBoxes({u"Yes"_s}, &said, deleteFiles);
            if (sendAgain)
                clickButton(window, "tlbJava_Send");
        }); // else closed by its close box
        QCOMPARE(reopened, (QStringList{"Games/Hello Vantrel", "Tools/Hello Vantrel"}));
        QCOMPARE(said.value(2), fixture.text(111));
        const QByteArray sent = fixture.phone.fileContent(u"java/selector.utf"_s);
        QVERIFY(sent.contains("Hello Vantrel") && !sent.contains("Snake") && !sent.contains("Elsewhere"));
        QCOMPARE(fixture.window->panelText(1), fixture.text(422));
        QCOMPARE(fixture.phone.hasFile(u"java/s0_suite.jar"_s), !deleteFiles);
        QCOMPARE(fixture.phone.hasFile(u"java/s1_suite.jar"_s), !deleteFiles);
        const QString hello = QStringLiteral(VANTREL_SOURCE_DIR "/samples/hello-java/java.");
        for (const QString& root : {u"s2_"_s, u"s3_"_s}) {
            for (const QString& kind : {u"jad"_s, u"jar"_s})
                QCOMPARE(fixture.phone.fileContent(u"java/"_s + root + u"suite."_s + kind),
                         readLocal(hello + kind));
        }
        QCOMPARE(readLocal(fixture.menuCopy()), menu);
        QCOMPARE(fixture.window->uploadQueue().value(0).PhoneFolder, u"/java"_s);
        // The sending is over: no Stop button, no progress left standing.
        QVERIFY(fixture.window->findChild<QWidget*>(u"fraTransfer"_s)->isHidden());
        QVERIFY(fixture.window->panelText(3).isEmpty());
    }

    // A menu read up to an error is sent only after asking; a failed upload
    // stops the sending, and the texts say the phone gets its menu back at the
    // next connection.
    void failuresAreToldAndLeaveTheMenuRepairable()
    {
        JavaFixture fixture({"--fault", "QFWF=error"});
        // Suites outside any folder and twin folders show as the file holds them.
        QByteArray menu = sampleFile(u"selector.utf"_s);
        menu.replace(menu.lastIndexOf("num=1"), 5, "num=")
            .replace("folder=Tools", "folder=Games")
            .replace("nextroot=2\n", "nextroot=2\nsuite=Lone, \\\n\troot=s5_, \\\n\tnum=1, \\\n\tdomain=d\n");
        fixture.phone.putFile(u"java/selector.utf"_s, menu);
        QVERIFY(fixture.start());
        QStringList said;
        runJavaCommand(fixture, [&](JavaWindow* window) {
            answerBoxes({u"Ok"_s}, &said);
            QVERIFY(readMenu(window));
            QCOMPARE(shownSuites(window), (QStringList{"/Lone", "Games/Snake", "Games/Calculator"}));
            answerBoxes({u"No"_s}, &said);
            clickButton(window, "tlbJava_Send");
            QVERIFY(window->isVisible() && fixture.window->uploadQueue().isEmpty());
            // A suite whose files are nowhere keeps the menu from going.
            answerBoxes({"Yes", "Ok"}, &said);
            clickButton(window, "tlbJava_Send");
            QVERIFY(window->isVisible() && fixture.window->uploadQueue().isEmpty());
            QVERIFY(clickNode(window, u"Lone"_s));
            clickButton(window, "tlbJava_Delete");
            // Yes to sending the damaged menu, Yes to the question after the
            // manager closes, then the report of the failed upload.
            answerBoxes({"Yes", "Yes", "Ok"}, &said);
            clickButton(window, "tlbJava_Send");
        });
        QCOMPARE(said.mid(0, 6),
                 (QStringList{fixture.text(266), fixture.text(273), fixture.text(273),
                              fixture.text(534) + u"\ns5_suite.*"_s, fixture.text(273), fixture.text(111)}));
        const QString reported = said.value(6);
        QVERIFY(!fixture.menuCopy().isEmpty());
        QVERIFY2(reported.startsWith(fixture.text(263)) && reported.contains(fixture.text(421)) &&
                     reported.contains(fixture.text(274) + QLatin1Char(' ') +
                                       QDir::toNativeSeparators(fixture.menuCopy())),
                 qPrintable(reported));
        QCOMPARE(fixture.window->panelText(1), fixture.text(421));
        // Reading the menu the phone no longer holds closes the manager: the copy it read before is gone.
        runJavaCommand(fixture, [&](JavaWindow* window) {
            clickButton(window, "tlbJava_Download");
            WAIT_VERIFY(!window->isVisible(), 10000);
        });
    }
};

QTEST_MAIN(JavaWindowTest)
#include "tst_javawindow.moc"
