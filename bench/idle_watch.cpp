// The CPU an idle process spends while it waits for a lost phone to come
// back: the simulated phone vanishes under an open link, a PortWatcher looks
// for its path once a second, and the process sits in its event loop. Prints
// the CPU time (user + system) as a share of one core over the wall time,
// and how soon the watcher saw the phone return. Never fails on speed.
//   bench_idle [--seconds N]   (default 10)
#include "phone/PhoneLink.h"
#include "platform/PortWatcher.h"
#include "settings/LanguageTable.h"
#include "support/RecordingObserver.h"
#include "support/SimulatedPhone.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop until `done` or `millis` passed; true when done.
bool runUntil(const std::function<bool()>& done, int millis)
{
    const QDeadlineTimer bound(millis);
    while (!done() && !bound.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "bench_idle: %s\n", what);
    std::exit(1);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int seconds = 10;
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype given = arguments.indexOf(QStringLiteral("--seconds"));
    if (given > 0 && given + 1 < arguments.size())
        seconds = qMax(1, arguments.at(given + 1).toInt());

    QTemporaryDir scratch;
    const QString path = scratch.filePath(QStringLiteral("phone"));
    SimulatedPhone phone({QStringLiteral("--link"), path});
    if (!phone.start())
        fail("the simulated phone did not start");
    LanguageTable texts;
    fillWithNumberedTexts(texts);
    RecordingObserver observer;
    PhoneLink link(texts, observer);
    link.journal().setFilePath(scratch.filePath(QStringLiteral("journal.json")));
    if (!link.OpenPort(QStringLiteral("COM4"), path) ||
        link.ListFolder(QStringLiteral("/")).outcome != Outcome::Done)
        fail("the link did not reach the phone");

    phone.vanish();
    if (!runUntil([&] { return observer.linesLost > 0; }, 5000))
        fail("the link did not notice the phone vanish");
    PortWatcher watcher;
    bool back = false;
    QObject::connect(&watcher, &PortWatcher::deviceBack, [&] { back = true; });
    watcher.watch(path);

    // Idle: nothing but the watcher's look once a second.
    QEventLoop idle;
    QTimer::singleShot(seconds * 1000, &idle, &QEventLoop::quit);
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    idle.exec();
    const double idleWall = wall.nsecsElapsed() / 1e9;
    const double idleCpu = cpuSeconds() - cpuBefore;
    if (back)
        fail("the watcher saw a phone that was not there");

    wall.restart();
    phone.comeBack();
    if (!runUntil([&] { return back; }, 5000))
        fail("the watcher did not see the phone come back");
    const double noticed = wall.nsecsElapsed() / 1e9;
    if (!link.OpenPort(QStringLiteral("COM4"), path) ||
        link.ListFolder(QStringLiteral("/")).outcome != Outcome::Done)
        fail("the link did not reach the phone once back");

    std::printf("idle, watching for a lost phone: wall %.2f s, CPU %.4f s, %.3f %% of one core (goal: under "
                "0.2 %%)\n",
                idleWall, idleCpu, 100.0 * idleCpu / idleWall);
    std::printf("phone back: seen after %.2f s (the watcher looks once a second)\n", noticed);
    return 0;
}
