#include "explorer/ExplorerWindow.h"
#include "settings/LanguageTable.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QMessageBox>

#include <csignal>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
#ifdef SIGXFSZ
    // A file grown beyond the user's size limit is a failed write to report,
    // not a reason to end the program with the phone still sending.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setOrganizationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vantrel.Vantrel"));

    SettingsStore store;
    LanguageTable texts;
    ExplorerWindow window(store, texts);
    // A malformed language file is the one fatal error: say so and end at once.
    QObject::connect(&window, &ExplorerWindow::fatalLanguageError, [](const QString& message) {
        QMessageBox::critical(nullptr, QStringLiteral("Vantrel"), message);
        std::exit(1);
    });
    window.StartUp();
    return QApplication::exec();
}
