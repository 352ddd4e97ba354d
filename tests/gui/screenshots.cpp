// Takes screenshots of the real window for a human to look at (run under
// xvfb-run; not part of the test suite): the main window at 1280x800 and at
// its minimum size, a download and an upload in progress, the settings
// dialog, the About box and the Java suite manager, the window, the settings
// and the manager in German, the window in every other shipped language at its
// default and its smallest width, the line log during an upload, at 1000 and
// 640 pixels in English and German a transfer, the overwrite question, a
// failure and the About box, and a first run without a phone. Under
// QT_SCALE_FACTOR=2 give the screen twice the size.
#include "ExplorerFixture.h"
#include "dialogs/AboutBox.h"
#include "dialogs/SettingsDialog.h"
#include "explorer/FileList.h"
#include "dialogs/AboutBox.h"
#include "dialogs/SettingsDialog.h"
#include "javawindow/JavaWindow.h"

#include <QDirIterator>
#include <QFile>
#include <QScreen>
#include <QTimer>

namespace {

QString gOutput;

void shoot(const QString& name)
{
    QCoreApplication::processEvents();
    QGuiApplication::primaryScreen()->grabWindow(0).save(gOutput + QLatin1Char('/') + name);
}

// Opens a modal window with `open`, shoots it at `place` and closes it again.
template <typename T> void shootModal(const QString& name, QPoint place, const std::function<void()>& open)
{
    onNextModal<T>([name, place](T* modal) {
        modal->move(place);
        QTimer::singleShot(300, [modal, name] {
            shoot(name);
            modal->reject();
        });
    });
    open();
}

// Opens the Java suite manager, reads the phone's menu, unfolds the first suite and shoots.
void shootJavaManager(ExplorerWindow& window, const QString& name)
{
    onNextModal<JavaWindow>([name](JavaWindow* manager) {
        manager->move(380, 90);
        manager->DownloadSelector();
        QTimer::singleShot(1500, [manager, name] {
            auto* tree = manager->findChild<QTreeWidget*>(QStringLiteral("tvJava"));
            const auto suites =
                tree->findItems(QStringLiteral("Snake"), Qt::MatchExactly | Qt::MatchRecursive);
            if (!suites.isEmpty()) {
                suites.first()->setExpanded(true);
                tree->setCurrentItem(suites.first());
            }
            shoot(name);
            manager->reject();
        });
    });
    window.JavaCommand();
}

void copyTree(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + path.mid(from.size());
        if (it.fileInfo().isDir())
            QDir().mkpath(target);
        else
            QFile::copy(path, target);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral("0.1.0"));
    gOutput = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();

    ExplorerFixture fixture({QStringLiteral("--baud"), QStringLiteral("115200"), QStringLiteral("--battery"),
                             QStringLiteral("0,72")});
    copyTree(QStringLiteral(VANTREL_SOURCE_DIR "/phone-sample"), fixture.phone.root());
    fixture.phone.putFile(QStringLiteral("ml/vd/holiday.3gp"), QByteArray(120000, 'v'));
    QDir().mkpath(fixture.localFolder() + QStringLiteral("/Pictures"));
    QDir().mkpath(fixture.localFolder() + QStringLiteral("/Music"));
    QFile big(fixture.localFolder() + QStringLiteral("/Pictures/party photo.jpg"));
    big.open(QIODevice::WriteOnly);
    big.write(QByteArray(90000, 'p'));
    big.close();
    fixture.store->write(QStringLiteral("sieDisplayCharge"), QStringLiteral("True"));
    fixture.store->write(QStringLiteral("sieDelay"), QStringLiteral("500"));

    ExplorerWindow& window = *fixture.window;
    window.setGeometry(0, 0, 1280, 800);
    if (!fixture.start())
        return 1;
    fixture.clickFolder(QStringLiteral("/ml/"));
    fixture.clickFolder(QStringLiteral("/ml/im/"));
    fixture.list()->topLevelItem(0)->setSelected(true);
    shoot(QStringLiteral("main-1280x800.png"));

    window.resize(window.minimumSize());
    shoot(QStringLiteral("main-minimum.png"));
    window.setGeometry(0, 0, 1280, 800);

    fixture.clickFolder(QStringLiteral("/ml/vd/"));
    fixture.selectRows({QStringLiteral("holiday.3gp")});
    QTimer::singleShot(4000, [] { shoot(QStringLiteral("download-in-progress.png")); });
    window.DownloadCommand();
    shoot(QStringLiteral("download-done.png"));

    window.LineLogCommand();
    auto* lineLog = window.findChild<QWidget*>(QStringLiteral("frmLineLog"));
    lineLog->setGeometry(540, 400, 720, 360);
    QTimer::singleShot(4000, [] { shoot(QStringLiteral("upload-in-progress.png")); });
    window.UploadDroppedPaths({fixture.localFolder() + QStringLiteral("/Pictures/party photo.jpg")});
    shoot(QStringLiteral("upload-done.png"));
    lineLog->close();

    shootModal<SettingsDialog>(QStringLiteral("settings.png"), QPoint(400, 200),
                               [&] { window.SettingsCommand(); });

    shootModal<AboutBox>(QStringLiteral("about.png"), QPoint(500, 150), [&] { window.AboutCommand(); });
    shootJavaManager(window, QStringLiteral("java-manager.png"));

    // The same window and dialog in German.
    fixture.store->write(QStringLiteral("sysLanguage"), QStringLiteral("german.lng"));
    window.StartUp();
    fixture.clickFolder(QStringLiteral("/ml/"));
    fixture.clickFolder(QStringLiteral("/ml/im/"));
    shoot(QStringLiteral("main-german.png"));
    shootModal<SettingsDialog>(QStringLiteral("settings-german.png"), QPoint(400, 200),
                               [&] { window.SettingsCommand(); });
    shootJavaManager(window, QStringLiteral("java-manager-german.png"));


    for (const char* language : {"russian", "polish", "ukrainian"}) {
        fixture.store->write(QStringLiteral("sysLanguage"), QLatin1String(language) + QStringLiteral(".lng"));
        window.StartUp();
        fixture.clickFolder(QStringLiteral("/ml/"));
        fixture.clickFolder(QStringLiteral("/ml/im/"));
        window.setGeometry(0, 30, 1000, 680);
        shoot(QStringLiteral("main-%1.png").arg(QLatin1String(language)));
        window.resize(window.minimumSize());
        shoot(QStringLiteral("main-%1-640.png").arg(QLatin1String(language)));
        window.setGeometry(0, 0, 1280, 800);
        shootModal<SettingsDialog>(QStringLiteral("settings-%1.png").arg(QLatin1String(language)),
                                   QPoint(400, 200), [&] { window.SettingsCommand(); });
        shootJavaManager(window, QStringLiteral("java-manager-%1.png").arg(QLatin1String(language)));
    }

    // At the usual width and at the narrowest, in both languages: a transfer,
    // the overwrite question, a failure and the About box.
    fixture.phone.putFile(QStringLiteral("ml/vd/report.3gp"), QByteArray(60000, 'r'));
    const QString source = fixture.localFolder() + QStringLiteral("/report.3gp");
    QFile upload(source);
    upload.open(QIODevice::WriteOnly);
    upload.write(QByteArray(150000, 'u'));
    upload.close();
    for (const QString& language : {QStringLiteral("english"), QStringLiteral("german")}) {
        // A name of its own each time: the phone holds the earlier ones.
        const QString photo =
            fixture.localFolder() + QStringLiteral("/party photo ") + language + QStringLiteral(".jpg");
        QFile::copy(fixture.localFolder() + QStringLiteral("/Pictures/party photo.jpg"), photo);
        fixture.store->write(QStringLiteral("sysLanguage"), language + QStringLiteral(".lng"));
        fixture.store->writePortDevice(4, fixture.phone.device());
        window.setGeometry(0, 30, 1000, 700);
        window.StartUp();
        fixture.clickFolder(QStringLiteral("/ml/"));
        fixture.clickFolder(QStringLiteral("/ml/vd/"));
        QTimer::singleShot(4000, [&window, language] {
            shoot(QStringLiteral("transfer-1000-") + language + QStringLiteral(".png"));
            window.setGeometry(0, 30, 640, 700);
            QTimer::singleShot(300, [language] {
                shoot(QStringLiteral("transfer-640-") + language + QStringLiteral(".png"));
            });
        });
        window.UploadDroppedPaths({photo});

        // A phone that refuses the first slice it is sent: the old file goes back.
        SimulatedPhone faulty({QStringLiteral("--fault"), QStringLiteral("QFWF=error@1")});
        copyTree(fixture.phone.root(), faulty.root());
        faulty.start();
        fixture.store->writePortDevice(4, faulty.device());
        window.setGeometry(0, 30, 1000, 700);
        window.StartUp();
        fixture.clickFolder(QStringLiteral("/ml/"));
        fixture.clickFolder(QStringLiteral("/ml/vd/"));
        onNextModal<QMessageBox>([language](QMessageBox* question) {
            question->move(200, 200);
            QTimer::singleShot(300, [question, language] {
                shoot(QStringLiteral("overwrite-question-") + language + QStringLiteral(".png"));
                question->findChild<QPushButton*>(QStringLiteral("cmdOverwrite"))->click();
            });
        });
        window.UploadDroppedPaths({source});
        shoot(QStringLiteral("failure-1000-") + language + QStringLiteral(".png"));
        window.setGeometry(0, 30, 640, 700);
        shoot(QStringLiteral("failure-640-") + language + QStringLiteral(".png"));
        shootModal<AboutBox>(QStringLiteral("about-") + language + QStringLiteral(".png"), QPoint(500, 150),
                             [&] { window.AboutCommand(); });
        fixture.store->writePortDevice(4, fixture.phone.device());
    }

    // A first run on a port with no phone behind it.
    fixture.store->write(QStringLiteral("sysLanguage"), QStringLiteral("english.lng"));
    fixture.store->writePortDevice(4, QStringLiteral("/dev/ttyUSB7"));
    // Room for the title bar, so the status bar shows on a 1280x800 screen.
    window.setGeometry(0, 30, 1280, 760);
    window.StartUp();
    shoot(QStringLiteral("first-run-no-phone.png"));
    return 0;
}
