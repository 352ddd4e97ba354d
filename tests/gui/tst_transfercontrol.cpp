#include "ExplorerFixture.h"
#include "GuiFiles.h"
#include "phone/RepairRecord.h"
#include "support/RecordingObserver.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QLocale>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// Answers the coming overwrite questions with a click on the buttons named,
// one question each, and keeps the questions asked.
void answerOverwriteQuestions(const QStringList& buttons, std::shared_ptr<QStringList> asked)
{
    if (buttons.isEmpty())
        return;
    onNextModal<QMessageBox>([buttons, asked](QMessageBox* box) {
        *asked << box->text();
        auto* button = box->findChild<QPushButton*>(buttons.first());
        QVERIFY2(button, qPrintable(buttons.first()));
        QTest::mouseClick(button, Qt::LeftButton);
        answerOverwriteQuestions(buttons.mid(1), asked);
    });
}

} // namespace

// Transfers the user decides about: replacing files, stopping, closing meanwhile.
class TransferControlTest : public QObject
{
    Q_OBJECT

    // Lists /ml/ and selects rows with the mouse, as a user picks files.
    static void showAndSelect(ExplorerFixture& fixture, const QStringList& names)
    {
        fixture.clickNode(QStringLiteral("/ml/"));
        QTRY_VERIFY_WITH_TIMEOUT(fixture.rowNames().size() >= names.size(), 10000);
        for (qsizetype i = 0; i < names.size(); ++i)
            fixture.clickRow(names.at(i), i == 0 ? Qt::NoModifier : Qt::ControlModifier);
    }

    // The tree's context menu on a folder, and its "Download folder".
    static void downloadFolderByMenu(ExplorerFixture& fixture, const QString& tag)
    {
        const QPoint at = fixture.tree()->visualItemRect(fixture.treeNode(tag)).center();
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, fixture.tree()->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(fixture.tree()->viewport(), &request);
        auto* menu = fixture.find<QMenu>(QStringLiteral("mnuFolderOp"));
        QTRY_VERIFY(menu->isVisible());
        QAction* item = fixture.find<QAction>(QStringLiteral("mnuTDownloadFolder"));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    }

    // Runs `act` once the transfer shows its progress (and the status begins
    // with `status`). A command waits for the phone inside the event loop, so
    // the check runs from a timer there.
    static void whenTransferShows(const ExplorerFixture& fixture, std::function<void()> act,
                                  const QString& status = QString())
    {
        auto* bar = fixture.find<QProgressBar>(QStringLiteral("pgbMain"));
        auto* details = fixture.find<QLabel>(QStringLiteral("lblTransfer"));
        ExplorerWindow* window = fixture.window.get();
        auto* poll = new QTimer(window);
        QObject::connect(poll, &QTimer::timeout, [=] {
            if (!bar->isVisible() || bar->value() <= 0 || details->text().isEmpty() ||
                !window->panelText(1).startsWith(status))
                return;
            poll->stop();
            poll->deleteLater();
            act();
        });
        poll->start(20);
    }

private slots:
    // Overwrite, Skip, Overwrite all, Cancel, for a download onto local files
    // and an upload onto names the phone folder lists.
    void overwriteQuestionAnswers_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<int>("asked");
        QTest::addColumn<bool>("aReplaced");
        QTest::addColumn<bool>("bReplaced");
        QTest::addColumn<int>("status");
        for (const bool upload : {false, true}) {
            const char* way = upload ? "upload, " : "download, ";
            const int done = upload ? 65 : 71;
            QTest::addRow("%sOverwrite", way)
                << upload << QStringList{"cmdOverwrite", "cmdOverwrite"} << 2 << true << true << done;
            QTest::addRow("%sSkip", way)
                << upload << QStringList{"cmdSkip", "cmdOverwrite"} << 2 << false << true << done;
            QTest::addRow("%sOverwrite all", way)
                << upload << QStringList{"cmdOverwriteAll"} << 1 << true << true << done;
            QTest::addRow("%sCancel", way)
                << upload << QStringList{"cmdCancel"} << 1 << false << false << 141;
            QTest::addRow("%sSkip both", way)
                << upload << QStringList{"cmdSkip", "cmdSkip"} << 2 << false << false << (upload ? 473 : 472);
        }
    }

    void overwriteQuestionAnswers()
    {
        QFETCH(bool, upload);
        QFETCH(QStringList, answers);
        QFETCH(int, asked);
        QFETCH(bool, aReplaced);
        QFETCH(bool, bReplaced);
        QFETCH(int, status);
        ExplorerFixture fixture;
        const QByteArray oldText("old"), newText("new");
        fixture.phone.putFile(QStringLiteral("ml/a.txt"), upload ? oldText : newText);
        fixture.phone.putFile(QStringLiteral("ml/b.txt"), upload ? oldText : newText + "er");
        const QString source = fixture.folder.filePath(QStringLiteral("source"));
        const QString localA = writeLocal(
            (upload ? source : fixture.localFolder()) + QStringLiteral("/a.txt"), upload ? newText : oldText);
        const QString localB =
            writeLocal((upload ? source : fixture.localFolder()) + QStringLiteral("/b.txt"),
                       upload ? newText + "er" : oldText);
        QVERIFY(fixture.start());
        auto questions = std::make_shared<QStringList>();
        answerOverwriteQuestions(answers, questions);
        if (upload) {
            showAndSelect(fixture, {});
            dropOnto(fixture.list()->viewport(), fileDrop({localA, localB}));
        } else {
            showAndSelect(fixture, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
            QTest::mouseClick(fixture.find<QToolButton>(QStringLiteral("tlbMain_Download")), Qt::LeftButton);
        }
        QTRY_COMPARE_WITH_TIMEOUT(fixture.window->panelText(1), fixture.text(status), 10000);
        QCOMPARE(questions->size(), asked);
        // The question says where the file lies, and compares the two.
        const QString& first = questions->first();
        const QString date =
            QLocale(fixture.text(138))
                .toString(QFileInfo(upload ? localA : fixture.localFolder() + QStringLiteral("/a.txt"))
                              .lastModified(),
                          QLocale::ShortFormat);
        const QString where =
            upload ? fixture.text(465) + QStringLiteral(" /ml/.")
                   : fixture.text(466) + QLatin1Char(' ') + fixture.localFolder() + QLatin1Char('.');
        QVERIFY2(first.startsWith(QStringLiteral("a.txt ") + where), qPrintable(first));
        QVERIFY2(first.contains(fixture.text(467) + QStringLiteral(" 3 B") +
                                (upload ? QString() : QStringLiteral(", ") + date)),
                 qPrintable(first));
        QVERIFY2(first.contains(fixture.text(468) + QStringLiteral(" 3 B") +
                                (upload ? QStringLiteral(", ") + date : QString())),
                 qPrintable(first));
        QCOMPARE(first.contains(fixture.text(463)), upload);
        auto contentOf = [&](const QString& name) {
            return upload ? fixture.phone.fileContent(QStringLiteral("ml/") + name)
                          : readLocal(fixture.localFolder() + QLatin1Char('/') + name);
        };
        QCOMPARE(contentOf(QStringLiteral("a.txt")), aReplaced ? newText : oldText);
        QCOMPARE(contentOf(QStringLiteral("b.txt")), bReplaced ? newText + "er" : oldText);
    }

    // Stop (the button or Escape) mid-transfer: an upload's partial file is
    // deleted on the phone, and the phone file it was replacing is put back; a
    // download leaves the local folder as it was; the next command works.
    void stopEndsTheTransfer_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::addColumn<bool>("escape");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("replacing");
        QTest::newRow("upload, Stop button") << true << false << false << false;
        QTest::newRow("upload, Escape") << true << true << false << false;
        QTest::newRow("upload over a phone file, Stop button") << true << false << false << true;
        QTest::newRow("download, Stop button") << false << false << false << false;
        QTest::newRow("download, Escape") << false << true << false << false;
        QTest::newRow("folder download, Stop button") << false << false << true << false;
        QTest::newRow("folder download, Escape") << false << true << true << false;
    }

    void stopEndsTheTransfer()
    {
        QFETCH(bool, upload);
        QFETCH(bool, escape);
        QFETCH(bool, folder);
        QFETCH(bool, replacing);
        ExplorerFixture fixture({QStringLiteral("--baud"), QStringLiteral("115200")});
        fixture.store->write(QStringLiteral("sieSliceSize"), QStringLiteral("2048"));
        fixture.phone.putFile(QStringLiteral("ml/big.bin"), QByteArray(24000, 'p'));
        const QString sent = replacing ? QStringLiteral("big.bin") : QStringLiteral("up.bin");
        const QString source =
            writeLocal(fixture.folder.filePath(QStringLiteral("source/") + sent), QByteArray(24000, 'u'));
        QVERIFY(fixture.start());
        fixture.window->show();
        bool stopped = false;
        whenTransferShows(
            fixture,
            [&] {
                stopped = true;
                // As the window manager does once a context menu is gone.
                QApplication::setActiveWindow(fixture.window.get());
                if (escape)
                    QTest::keyClick(fixture.window.get(), Qt::Key_Escape);
                else
                    QTest::mouseClick(fixture.find<QToolButton>(QStringLiteral("cmdStop")), Qt::LeftButton);
            },
            upload ? fixture.text(58) : QString());
        answerOverwriteQuestions(replacing ? QStringList{"cmdOverwrite"} : QStringList(),
                                 std::make_shared<QStringList>());
        if (upload) {
            showAndSelect(fixture, {});
            dropOnto(fixture.list()->viewport(), fileDrop({source}));
        } else if (folder) {
            showAndSelect(fixture, {});
            downloadFolderByMenu(fixture, QStringLiteral("/ml/"));
        } else {
            showAndSelect(fixture, {QStringLiteral("big.bin")});
            QTest::mouseClick(fixture.find<QToolButton>(QStringLiteral("tlbMain_Download")), Qt::LeftButton);
        }
        QTRY_VERIFY_WITH_TIMEOUT(stopped && !fixture.window->isCommandRunning(), 15000);
        const QString said = fixture.window->panelText(1);
        // Stopped with nothing copied, the local folder made by the command empty.
        QVERIFY2(folder ? said == fixture.text(440) + QStringLiteral(" 0 ") + fixture.text(122) +
                                      QStringLiteral(" 1.")
                        : said.startsWith(fixture.text(141)),
                 qPrintable(said));
        QCOMPARE(QDir(fixture.localFolder() + QStringLiteral("/ml")).entryList(QDir::Files | QDir::Hidden),
                 QStringList());
        QVERIFY(fixture.window->panelText(3).isEmpty());
        if (upload) {
            QVERIFY2(said.contains(fixture.text(142) + QLatin1Char(' ') + sent + QLatin1Char('.')),
                     qPrintable(said));
            QVERIFY(!fixture.phone.hasFile(QStringLiteral("ml/up.bin")));
        }
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("ml/big.bin")), QByteArray(24000, 'p'));
        QVERIFY2(!replacing || said.endsWith(fixture.text(460) + QStringLiteral(" big.bin.")),
                 qPrintable(said));
        QVERIFY(RepairRecord(fixture.repairRecordFile()).pending().isEmpty());
        QCOMPARE(QDir(fixture.localFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(!fixture.find<QWidget>(QStringLiteral("fraTransfer"))->isVisible());

        // At once another folder: the window says what it waits for while the
        // phone finishes the stopped download, then lists the folder.
        bool waitSaid = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout,
                [&] { waitSaid = waitSaid || fixture.window->panelText(1).startsWith(fixture.text(400)); });
        watch.start(20);
        fixture.clickNode(QStringLiteral("/ml/"));
        QCOMPARE(waitSaid, !upload);
        QTRY_VERIFY_WITH_TIMEOUT(fixture.window->panelText(1).startsWith(fixture.text(52)), 15000);
        QCOMPARE(fixture.rowNames(), QStringList{"big.bin"});
    }

    // Closing the window during a transfer asks first; No lets it finish.
    void closingDuringATransferAsksFirst_data()
    {
        QTest::addColumn<bool>("quit");
        QTest::addColumn<bool>("folder");
        QTest::newRow("No") << false << false;
        QTest::newRow("Yes") << true << false;
        QTest::newRow("folder download, No") << false << true;
    }

    void closingDuringATransferAsksFirst()
    {
        QFETCH(bool, quit);
        QFETCH(bool, folder);
        ExplorerFixture fixture({QStringLiteral("--baud"), QStringLiteral("115200")});
        fixture.store->write(QStringLiteral("sieSliceSize"), QStringLiteral("2048"));
        const QString source =
            writeLocal(fixture.folder.filePath(QStringLiteral("source/up.bin")), QByteArray(12000, 'u'));
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/ml"));
        if (folder)
            fixture.phone.putFile(QStringLiteral("ml/down.bin"), QByteArray(12000, 'd'));
        QVERIFY(fixture.start());
        fixture.window->show();
        QString asked;
        whenTransferShows(fixture, [&] {
            answerNextMessageBox(quit ? QMessageBox::Yes : QMessageBox::No, &asked);
            fixture.window->close();
        });
        showAndSelect(fixture, {});
        if (folder)
            downloadFolderByMenu(fixture, QStringLiteral("/ml/"));
        else
            dropOnto(fixture.list()->viewport(), fileDrop({source}));
        QTRY_COMPARE_WITH_TIMEOUT(asked, fixture.text(144), 10000);
        if (folder) {
            QTRY_VERIFY_WITH_TIMEOUT(fixture.window->panelText(1).startsWith(fixture.text(153)), 15000);
            QCOMPARE(readLocal(fixture.localFolder() + QStringLiteral("/ml/down.bin")),
                     QByteArray(12000, 'd'));
            return;
        }
        if (quit) {
            // At once; the next connection deletes the partial file.
            QTRY_VERIFY_WITH_TIMEOUT(!fixture.window->isVisible() && !fixture.window->link().isOpen(), 1000);
            QCOMPARE(connectAgain(fixture).ListFolder(QStringLiteral("/ml/")).entries, QList<PhoneEntry>());
            return;
        }
        QVERIFY(fixture.window->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(fixture.window->panelText(1), fixture.text(65), 15000);
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("ml/up.bin")), QByteArray(12000, 'u'));
    }

    // The next program on the line, with the window's repair record.
    PhoneLink& connectAgain(ExplorerFixture& fixture)
    {
        next_ = std::make_unique<PhoneLink>(fixture.texts, nextObserver_);
        nextRecord_ = RepairRecord(fixture.repairRecordFile());
        next_->setRepairRecord(&nextRecord_);
        [&] { QVERIFY(next_->OpenPort(QStringLiteral("COM4"), fixture.phone.device())); }();
        next_->CarryOutRepairs();
        return *next_;
    }

    // Quitting during a download lets the line go at once; the next program
    // waits until the phone has finished and gets its own answers.
    void quittingDuringADownloadLeavesTheLineClean()
    {
        ExplorerFixture fixture({QStringLiteral("--baud"), QStringLiteral("115200")});
        fixture.phone.putFile(QStringLiteral("ml/big.bin"), QByteArray(30000, 'p'));
        QVERIFY(fixture.start());
        fixture.window->show();
        whenTransferShows(fixture, [&] {
            answerNextMessageBox(QMessageBox::Yes);
            fixture.window->close();
        });
        showAndSelect(fixture, {QStringLiteral("big.bin")});
        QTest::mouseClick(fixture.find<QToolButton>(QStringLiteral("tlbMain_Download")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!fixture.window->isVisible() && !fixture.window->link().isOpen(), 1000);
        QCOMPARE(QDir(fixture.localFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());
        const ListingResult listing = connectAgain(fixture).ListFolder(QStringLiteral("/ml/"));
        QCOMPARE(listing.outcome, Outcome::Done);
        QCOMPARE(listing.entries.size(), 1);
    }

private:
    RecordingObserver nextObserver_;
    RepairRecord nextRecord_{QString()};
    std::unique_ptr<PhoneLink> next_;
};

QTEST_MAIN(TransferControlTest)
#include "tst_transfercontrol.moc"
