#include "ExplorerFixture.h"
#include "support/RecordingObserver.h"

namespace {

// The ways to start a transfer, and to interrupt it.
constexpr int Upload = 0, Download = 1, FolderDownload = 2;
constexpr int StopButton = 0, Escape = 1, CloseNo = 2, CloseYes = 3;

// Lists /ml/ and starts a transfer as the user does: drops the local `items`
// on the list, selects the rows `items` and clicks Download, or picks
// "Download folder" in the tree's context menu of /ml/.
void startTransfer(ExplorerFixture& fixture, int way, const QStringList& items)
{
    fixture.clickNode(u"/ml/"_s);
    if (way == Upload) {
        dropOnto(fixture.list()->viewport(), fileDrop(items));
    } else if (way == FolderDownload) {
        fixture.useFolderMenu(u"/ml/"_s, u"mnuTDownloadFolder"_s);
    } else {
        WAIT_VERIFY(fixture.rowNames().size() >= items.size(), 10000);
        for (qsizetype i = 0; i < items.size(); ++i)
            fixture.clickRow(items.at(i), i == 0 ? Qt::NoModifier : Qt::ControlModifier);
        fixture.press(u"tlbMain_Download"_s);
    }
}

// Runs `act` once the transfer shows its progress (and the status begins
// with `status`, and `ready` holds). A command waits for the phone inside the
// event loop, so the check runs from a timer there.
void whenTransferShows(
    const ExplorerFixture& fixture, std::function<void()> act, const QString& status = {},
    std::function<bool()> ready = [] { return true; })
{
    auto* bar = fixture.find<QProgressBar>(u"pgbMain"_s);
    auto* details = fixture.find<QLabel>(u"lblTransfer"_s);
    ExplorerWindow* window = fixture.window.get();
    auto* poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, [=] {
        if (!bar->isVisible() || bar->value() <= 0 || details->text().isEmpty() ||
            !window->panelText(1).startsWith(status) || !ready())
            return;
        poll->stop();
        poll->deleteLater();
        act();
    });
    poll->start(20);
}

} // namespace

// Transfers the user decides about: replacing files, stopping, closing meanwhile.
class TransferControlTest : public QObject
{
    Q_OBJECT

private slots:
    // Overwrite, Skip, Overwrite all, Cancel, clicked or by their keys, for a
    // download onto local files and an upload onto names the phone folder lists.
    void overwriteQuestionAnswers_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("replaced");
        QTest::addColumn<int>("status");
        for (const bool upload : {false, true}) {
            const auto row = [upload](const char* tag, const QStringList& answers, const char* replaced,
                                      int status) {
                QTest::addRow("%s, %s", upload ? "upload" : "download", tag)
                    << upload << answers << replaced << status;
            };
            const int done = upload ? 65 : 71;
            row("Overwrite", {"Alt+O", "cmdOverwrite"}, "ab", done);
            row("Skip", {"Alt+S", "cmdOverwrite"}, "b", done);
            row("Overwrite all", {"Alt+A"}, "ab", done);
            row("Cancel", {"cmdCancel"}, "", 141);
            row("Skip both", {"cmdSkip", "cmdSkip"}, "", upload ? 473 : 472);
        }
    }

    void overwriteQuestionAnswers()
    {
        QFETCH(bool, upload);
        QFETCH(QStringList, answers);
        QFETCH(QString, replaced);
        QFETCH(int, status);
        ExplorerFixture fixture;
        const QByteArray oldA("old"), newA("new"), oldB("old"), newB("newer");
        fixture.phone.putFile(u"ml/a.txt"_s, upload ? oldA : newA);
        fixture.phone.putFile(u"ml/b.txt"_s, upload ? oldB : newB);
        const QString local = upload ? fixture.folder.filePath("source") : fixture.localFolder();
        const QString localA = writeLocal(local + u"/a.txt"_s, upload ? newA : oldA);
        const QString localB = writeLocal(local + u"/b.txt"_s, upload ? newB : oldB);
        QVERIFY(fixture.start());
        QStringList questions;
        answerBoxes(answers, &questions);
        startTransfer(fixture, upload ? Upload : Download,
                      upload ? QStringList{localA, localB} : QStringList{"a.txt", "b.txt"});
        if (QTest::currentTestFailed())
            return;
        WAIT_COMPARE(fixture.window->panelText(1), fixture.text(status), 10000);
        QCOMPARE(questions.size(), answers.size());
        // The question says where the file lies, and compares the two: the
        // local one has a date.
        const QString& first = questions.first();
        const QString date =
            QLocale(fixture.text(138)).toString(QFileInfo(localA).lastModified(), QLocale::ShortFormat);
        const QString where = upload ? fixture.text(465) + u" /ml/."_s
                                     : fixture.text(466) + QLatin1Char(' ') + local + QLatin1Char('.');
        QVERIFY2(first.startsWith(u"a.txt "_s + where), qPrintable(first));
        const QString withDate = u" 3 B, "_s + date, without = u" 3 B"_s;
        QVERIFY2(first.contains(fixture.text(467) + (upload ? without : withDate)), qPrintable(first));
        QVERIFY2(first.contains(fixture.text(468) + (upload ? withDate : without)), qPrintable(first));
        QCOMPARE(first.contains(fixture.text(463)), upload);
        auto contentOf = [&](const QString& name) {
            return upload ? fixture.phone.fileContent(u"ml/"_s + name)
                          : readLocal(local + QLatin1Char('/') + name);
        };
        QCOMPARE(contentOf(u"a.txt"_s), replaced.contains(QLatin1Char('a')) ? newA : oldA);
        QCOMPARE(contentOf(u"b.txt"_s), replaced.contains(QLatin1Char('b')) ? newB : oldB);
    }

    // Stop (the button or Escape) mid-transfer: an upload's partial file is
    // deleted on the phone, and the phone file it was replacing is put back
    // (but a Stop while the last slice is on its way comes too late, and says
    // so); a download leaves the local folder as it was; the next command works.
    // Closing the window meanwhile asks first; No lets the transfer finish, Yes
    // lets the line go at once: the next program on it waits until the phone
    // has finished, gets its own answers and deletes a partial upload.
    void interruptingATransfer_data()
    {
        QTest::addColumn<int>("way");
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("replacing");
        QTest::addColumn<bool>("lastSlice");
        QTest::newRow("upload, Stop button") << Upload << StopButton << false << false;
        QTest::newRow("upload over a phone file, Escape") << Upload << Escape << true << false;
        QTest::newRow("upload over a phone file, Stop in the last slice")
            << Upload << StopButton << true << true;
        QTest::newRow("download, Stop button") << Download << StopButton << false << false;
        QTest::newRow("folder download, Escape") << FolderDownload << Escape << false << false;
        QTest::newRow("upload, closing, No") << Upload << CloseNo << false << false;
        QTest::newRow("upload, closing, Yes") << Upload << CloseYes << false << false;
        QTest::newRow("folder download, closing, No") << FolderDownload << CloseNo << false << false;
        QTest::newRow("download, closing, Yes") << Download << CloseYes << false << false;
    }

    void interruptingATransfer()
    {
        QFETCH(int, way);
        QFETCH(int, action);
        QFETCH(bool, replacing);
        QFETCH(bool, lastSlice);
        const bool upload = way == Upload;
        // A phone at a real line's pace leaves time to act during a transfer.
        ExplorerFixture fixture({u"--baud"_s, u"115200"_s});
        fixture.store->write(u"sieSliceSize"_s, u"2048"_s);
        // A download's rest takes the phone long enough to see the window wait
        // for it, or to see the window close before it is over.
        const QByteArray onPhone(upload ? 8000 : 16000, 'p'), sent(12000, 'u');
        fixture.phone.putFile(u"ml/big.bin"_s, onPhone);
        const QString name = replacing ? u"big.bin"_s : u"up.bin"_s;
        const QString source = writeLocal(fixture.folder.filePath(u"source/"_s + name), sent);
        QVERIFY(fixture.start());
        fixture.window->show();
        bool acted = false;
        QStringList asked;
        if (action == CloseNo || action == CloseYes)
            answerBoxes({action == CloseYes ? u"Yes"_s : u"No"_s}, &asked);
        whenTransferShows(
            fixture,
            [&] {
                acted = true;
                // As the window manager does once a context menu is gone.
                QApplication::setActiveWindow(fixture.window.get());
                if (action == CloseNo || action == CloseYes)
                    fixture.window->close();
                else if (action == Escape)
                    QTest::keyClick(fixture.window.get(), Qt::Key_Escape);
                else
                    QTest::mouseClick(fixture.find<QToolButton>(u"cmdStop"_s), Qt::LeftButton);
            },
            upload ? fixture.text(58) : QString(),
            // The phone has the last slice's command: its bytes are on their way.
            [&] { return !lastSlice || fixture.phone.commands().filter(u"AT+QFWF="_s).size() == 6; });
        if (replacing)
            answerBoxes({u"cmdOverwrite"_s});
        startTransfer(fixture, way, upload ? QStringList{source} : QStringList{u"big.bin"_s});
        if (QTest::currentTestFailed())
            return;
        WAIT_VERIFY(acted, 10000);
        if (action == CloseYes) {
            WAIT_VERIFY(!fixture.window->isVisible() && !fixture.window->link().isOpen(), 700);
            QCOMPARE(readTree(fixture.localFolder()), QStringList());
            RecordingObserver observer;
            PhoneLink next(fixture.texts, observer);
            next.journal().setFilePath(fixture.repairJournalFile());
            QVERIFY(next.OpenPort(u"COM4"_s, fixture.phone.device()));
            next.CarryOutRepairs();
            QCOMPARE(next.ListFolder(u"/ml/"_s).entries,
                     (QList<PhoneEntry>{{u"big.bin"_s, false, onPhone.size()}}));
        }
        QCOMPARE(asked.value(0), action == CloseNo || action == CloseYes ? fixture.text(144) : QString());
        if (action == CloseYes)
            return;
        if (action == CloseNo) {
            QVERIFY(fixture.window->isVisible());
            WAIT_VERIFY(fixture.window->panelText(1).startsWith(fixture.text(upload ? 65 : 153)), 15000);
            QCOMPARE(upload ? fixture.phone.fileContent(u"ml/up.bin"_s)
                            : readLocal(fixture.localFolder() + u"/ml/big.bin"_s),
                     upload ? sent : onPhone);
            return;
        }
        WAIT_VERIFY(!fixture.window->isCommandRunning(), 15000);
        // Stopped with nothing copied; what was deleted on the phone and put back is said.
        QString stopped = way == FolderDownload ? fixture.text(440) + u" 0 "_s + fixture.text(122) + u" 1."_s
                                                : fixture.text(141);
        if (upload)
            stopped += QLatin1Char(' ') + fixture.text(142) + QLatin1Char(' ') + name + QLatin1Char('.');
        if (replacing)
            stopped += QLatin1Char(' ') + fixture.text(460) + u" big.bin."_s;
        QCOMPARE(fixture.window->panelText(1), lastSlice ? fixture.text(530) + u" big.bin."_s : stopped);
        // A local folder the command made goes again, as it stayed empty.
        QCOMPARE(readTree(fixture.localFolder()), QStringList());
        QVERIFY(fixture.window->panelText(3).isEmpty());
        QVERIFY(!fixture.find<QWidget>(u"fraTransfer"_s)->isVisible());
        QVERIFY(!fixture.phone.hasFile(u"ml/up.bin"_s));
        QCOMPARE(fixture.phone.fileContent(u"ml/big.bin"_s), lastSlice ? sent : onPhone);
        QVERIFY(RepairJournal(fixture.repairJournalFile()).entries().isEmpty());

        // At once another folder: the window says what it waits for while the
        // phone finishes the stopped download, then lists the folder.
        bool waitSaid = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout,
                [&] { waitSaid = waitSaid || fixture.window->panelText(1).startsWith(fixture.text(400)); });
        watch.start(20);
        fixture.clickNode(u"/ml/"_s);
        QCOMPARE(waitSaid, !upload);
        WAIT_VERIFY(fixture.window->panelText(1).startsWith(fixture.text(52)), 15000);
        QCOMPARE(fixture.rowNames(), QStringList{"big.bin"});
    }
};

QTEST_MAIN(TransferControlTest)
#include "tst_transfercontrol.moc"
