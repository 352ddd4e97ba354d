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

    // Stop (the button or Escape) or closing the window mid-transfer. Stop and
    // Yes end it: an upload's partial phone file is deleted, a download leaves
    // the local folder as it was, and the line serves the next command, the
    // window's or, after quitting, the next program's. No lets it finish.
    void endingATransferEarly_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::addColumn<QString>("how");
        QTest::newRow("upload, Stop button") << true << "cmdStop";
        QTest::newRow("download, Escape") << false << "Escape";
        QTest::newRow("upload, closing, No") << true << "No";
        QTest::newRow("upload, closing, Yes") << true << "Yes";
        QTest::newRow("download, closing, Yes") << false << "Yes";
    }

    void endingATransferEarly()
    {
        QFETCH(bool, upload);
        QFETCH(QString, how);
        ExplorerFixture fixture({QStringLiteral("--baud"), QStringLiteral("115200")});
        fixture.store->write(QStringLiteral("sieSliceSize"), QStringLiteral("2048"));
        fixture.phone.putFile(QStringLiteral("ml/big.bin"), QByteArray(30000, 'p'));
        const QByteArray sent(20000, 'u');
        const QString source = writeLocal(fixture.folder.filePath(QStringLiteral("source/up.bin")), sent);
        QVERIFY(fixture.start());
        fixture.window->show();
        const bool closing = how == QLatin1String("Yes") || how == QLatin1String("No");
        QString asked;
        bool acted = false;
        whenTransferShows(fixture, [&] {
            acted = true;
            if (closing) {
                answerNextMessageBox(how == QLatin1String("Yes") ? QMessageBox::Yes : QMessageBox::No,
                                     &asked);
                fixture.window->close();
            } else if (how == QLatin1String("Escape")) {
                QTest::keyClick(fixture.window.get(), Qt::Key_Escape);
            } else {
                QTest::mouseClick(fixture.find<QToolButton>(how), Qt::LeftButton);
            }
        });
        if (upload) {
            showAndSelect(fixture, {});
            dropOnto(fixture.list()->viewport(), fileDrop({source}));
        } else {
            showAndSelect(fixture, {QStringLiteral("big.bin")});
            QTest::mouseClick(fixture.find<QToolButton>(QStringLiteral("tlbMain_Download")), Qt::LeftButton);
        }
        QTRY_VERIFY_WITH_TIMEOUT(acted && !fixture.window->isCommandRunning(), 15000);
        QCOMPARE(asked, closing ? fixture.text(144) : QString());
        if (how == QLatin1String("No")) {
            QVERIFY(fixture.window->isVisible());
            QTRY_COMPARE_WITH_TIMEOUT(fixture.window->panelText(1), fixture.text(65), 15000);
            QCOMPARE(fixture.phone.fileContent(QStringLiteral("ml/up.bin")), sent);
            return;
        }
        QVERIFY(!fixture.phone.hasFile(QStringLiteral("ml/up.bin")));
        QCOMPARE(QDir(fixture.localFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());
        if (closing) {
            QTRY_VERIFY_WITH_TIMEOUT(!fixture.window->isVisible() && !fixture.window->link().isOpen(), 15000);
            RecordingObserver observer;
            PhoneLink next(fixture.texts, observer);
            QVERIFY(next.OpenPort(QStringLiteral("COM4"), fixture.phone.device()));
            QCOMPARE(next.ListFolder(QStringLiteral("/ml/")).entries.size(), 1);
            return;
        }
        const QString said = fixture.window->panelText(1);
        QVERIFY2(said.startsWith(fixture.text(141)), qPrintable(said));
        if (upload)
            QVERIFY2(said.endsWith(fixture.text(142) + QStringLiteral(" up.bin.")), qPrintable(said));
        QVERIFY(!fixture.find<QWidget>(QStringLiteral("fraTransfer"))->isVisible());
        fixture.clickNode(QStringLiteral("/ml/"));
        QTRY_VERIFY_WITH_TIMEOUT(fixture.window->panelText(1).startsWith(fixture.text(52)), 15000);
        QCOMPARE(fixture.rowNames(), QStringList{"big.bin"});
    }
};

QTEST_MAIN(TransferControlTest)
#include "tst_transfercontrol.moc"
