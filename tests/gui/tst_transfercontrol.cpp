#include "ExplorerFixture.h"
#include "GuiFiles.h"
#include "support/RecordingObserver.h"

#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// Answers the coming overwrite questions with a click on the buttons named,
// one question each, and counts the questions asked.
void answerOverwriteQuestions(const QStringList& buttons, std::shared_ptr<int> asked)
{
    if (buttons.isEmpty())
        return;
    onNextModal<QMessageBox>([buttons, asked](QMessageBox* box) {
        ++*asked;
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

    // Runs `act` once the transfer shows its progress. A command waits for the
    // phone inside the event loop, so the check runs from a timer there.
    static void whenTransferShows(const ExplorerFixture& fixture, std::function<void()> act)
    {
        auto* bar = fixture.find<QProgressBar>(QStringLiteral("pgbMain"));
        auto* details = fixture.find<QLabel>(QStringLiteral("lblTransfer"));
        auto* poll = new QTimer(fixture.window.get());
        QObject::connect(poll, &QTimer::timeout, [=] {
            if (!bar->isVisible() || bar->value() <= 0 || details->text().isEmpty())
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
        auto questions = std::make_shared<int>(0);
        answerOverwriteQuestions(answers, questions);
        if (upload) {
            showAndSelect(fixture, {});
            dropOnto(fixture.list()->viewport(), fileDrop({localA, localB}));
        } else {
            showAndSelect(fixture, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
            QTest::mouseClick(fixture.find<QToolButton>(QStringLiteral("tlbMain_Download")), Qt::LeftButton);
        }
        QTRY_COMPARE_WITH_TIMEOUT(fixture.window->panelText(1), fixture.text(status), 10000);
        QCOMPARE(*questions, asked);
        auto contentOf = [&](const QString& name) {
            return upload ? fixture.phone.fileContent(QStringLiteral("ml/") + name)
                          : readLocal(fixture.localFolder() + QLatin1Char('/') + name);
        };
        QCOMPARE(contentOf(QStringLiteral("a.txt")), aReplaced ? newText : oldText);
        QCOMPARE(contentOf(QStringLiteral("b.txt")), bReplaced ? newText + "er" : oldText);
    }

    // Stop (the button or Escape) mid-transfer: an upload's partial file is
    // deleted on the phone, a download leaves the local folder as it was, and
    // the next command works.
    void stopEndsTheTransfer_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::addColumn<bool>("escape");
        QTest::newRow("upload, Stop button") << true << false;
        QTest::newRow("download, Escape") << false << true;
    }

    void stopEndsTheTransfer()
    {
        QFETCH(bool, upload);
        QFETCH(bool, escape);
        ExplorerFixture fixture({QStringLiteral("--baud"), QStringLiteral("115200")});
        fixture.store->write(QStringLiteral("sieSliceSize"), QStringLiteral("2048"));
        fixture.phone.putFile(QStringLiteral("ml/big.bin"), QByteArray(40000, 'p'));
        const QString source =
            writeLocal(fixture.folder.filePath(QStringLiteral("source/up.bin")), QByteArray(40000, 'u'));
        QVERIFY(fixture.start());
        fixture.window->show();
        bool stopped = false;
        whenTransferShows(fixture, [&] {
            stopped = true;
            if (escape)
                QTest::keyClick(fixture.window.get(), Qt::Key_Escape);
            else
                QTest::mouseClick(fixture.find<QToolButton>(QStringLiteral("cmdStop")), Qt::LeftButton);
        });
        if (upload) {
            showAndSelect(fixture, {});
            dropOnto(fixture.list()->viewport(), fileDrop({source}));
        } else {
            showAndSelect(fixture, {QStringLiteral("big.bin")});
            QTest::mouseClick(fixture.find<QToolButton>(QStringLiteral("tlbMain_Download")), Qt::LeftButton);
        }
        QTRY_VERIFY_WITH_TIMEOUT(stopped && !fixture.window->isCommandRunning(), 15000);
        const QString said = fixture.window->panelText(1);
        QVERIFY2(said.startsWith(fixture.text(141)), qPrintable(said));
        if (upload) {
            QVERIFY2(said.endsWith(fixture.text(142) + QStringLiteral(" up.bin.")), qPrintable(said));
            QVERIFY(!fixture.phone.hasFile(QStringLiteral("ml/up.bin")));
        }
        QCOMPARE(QDir(fixture.localFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(!fixture.find<QWidget>(QStringLiteral("fraTransfer"))->isVisible());

        fixture.clickNode(QStringLiteral("/ml/"));
        QTRY_VERIFY_WITH_TIMEOUT(fixture.window->panelText(1).startsWith(fixture.text(52)), 15000);
        QCOMPARE(fixture.rowNames(), QStringList{"big.bin"});
    }

    // Closing the window during a transfer asks first; No lets it finish.
    void closingDuringATransferAsksFirst_data()
    {
        QTest::addColumn<bool>("quit");
        QTest::newRow("No") << false;
        QTest::newRow("Yes") << true;
    }

    void closingDuringATransferAsksFirst()
    {
        QFETCH(bool, quit);
        ExplorerFixture fixture({QStringLiteral("--baud"), QStringLiteral("115200")});
        fixture.store->write(QStringLiteral("sieSliceSize"), QStringLiteral("2048"));
        const QString source =
            writeLocal(fixture.folder.filePath(QStringLiteral("source/up.bin")), QByteArray(12000, 'u'));
        QDir().mkpath(fixture.phone.root() + QStringLiteral("/ml"));
        QVERIFY(fixture.start());
        fixture.window->show();
        QString asked;
        whenTransferShows(fixture, [&] {
            answerNextMessageBox(quit ? QMessageBox::Yes : QMessageBox::No, &asked);
            fixture.window->close();
        });
        showAndSelect(fixture, {});
        dropOnto(fixture.list()->viewport(), fileDrop({source}));
        QTRY_COMPARE_WITH_TIMEOUT(asked, fixture.text(144), 10000);
        if (quit) {
            QTRY_VERIFY_WITH_TIMEOUT(!fixture.window->isVisible(), 15000);
            QVERIFY(!fixture.phone.hasFile(QStringLiteral("ml/up.bin")));
            return;
        }
        QVERIFY(fixture.window->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(fixture.window->panelText(1), fixture.text(65), 15000);
        QCOMPARE(fixture.phone.fileContent(QStringLiteral("ml/up.bin")), QByteArray(12000, 'u'));
    }

    // Quitting during a download: the window waits for the rest of the file
    // before it lets the line go, so the next program gets its own answers.
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
        QTRY_VERIFY_WITH_TIMEOUT(!fixture.window->isVisible() && !fixture.window->link().isOpen(), 15000);
        QCOMPARE(QDir(fixture.localFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());

        RecordingObserver observer;
        PhoneLink next(fixture.texts, observer);
        QVERIFY(next.OpenPort(QStringLiteral("COM4"), fixture.phone.device()));
        const ListingResult listing = next.ListFolder(QStringLiteral("/ml/"));
        QCOMPARE(listing.outcome, Outcome::Done);
        QCOMPARE(listing.entries.size(), 1);
    }
};

QTEST_MAIN(TransferControlTest)
#include "tst_transfercontrol.moc"
