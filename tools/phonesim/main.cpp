// vantrel-phonesim: a simulated phone on a pseudo-terminal, serving a folder as
// the phone's file system. For tests, the demo and the benchmarks.
#include "PhoneSimulator.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::string gLinkPath;

void removeLink()
{
    if (!gLinkPath.empty())
        unlink(gLinkPath.c_str());
}

void endOnSignal(int)
{
    removeLink();
    _exit(0);
}

// SIGUSR1 and SIGUSR2 reach the simulator's loop through a pipe: 'v' to
// vanish, 'r' to come back.
int gControl[2] = {-1, -1};

void orderOnSignal(int signal)
{
    const char order = signal == SIGUSR1 ? 'v' : 'r';
    [[maybe_unused]] const ssize_t written = write(gControl[1], &order, 1);
}

// Until SIGUSR2, or `millis` (negative: no bound); true unless the wait failed.
bool waitForReturn(long millis)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(millis);
    for (;;) {
        int left = -1;
        if (millis >= 0) {
            const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (rest.count() <= 0)
                return true;
            left = static_cast<int>(rest.count());
        }
        pollfd waiting{gControl[0], POLLIN, 0};
        const int ready = poll(&waiting, 1, left);
        if (ready < 0 && errno != EINTR)
            return false;
        char order = 0;
        if (ready > 0 && read(gControl[0], &order, 1) == 1 && order == 'r')
            return true;
    }
}

// A new pseudo-terminal in raw mode, linked at --link; its path is printed.
bool openTerminal(int& master, int& slave)
{
    char device[256] = {};
    if (openpty(&master, &slave, device, nullptr, nullptr) != 0) {
        std::perror("vantrel-phonesim: openpty");
        return false;
    }
    termios mode{};
    tcgetattr(slave, &mode);
    cfmakeraw(&mode);
    tcsetattr(slave, TCSANOW, &mode);
    if (!gLinkPath.empty()) {
        unlink(gLinkPath.c_str());
        if (symlink(device, gLinkPath.c_str()) != 0) {
            std::perror("vantrel-phonesim: symlink");
            return false;
        }
    }
    std::printf("%s\n", device);
    std::fflush(stdout);
    return true;
}

void printHelp()
{
    std::printf("Usage: vantrel-phonesim --root FOLDER [options]\n"
                "\n"
                "Serves FOLDER as the file system of a simulated Siemens phone on a new\n"
                "pseudo-terminal and prints the terminal's device path on the first line.\n"
                "Point Vantrel or vantrel-cli at that path (or at --link).\n"
                "\n"
                "Options:\n"
                "  --root FOLDER       folder served as the phone's \"/\" (required)\n"
                "  --link PATH         also make PATH a symlink to the terminal\n"
                "  --baud N            pace the line to N baud (default: unpaced)\n"
                "  --chunk N           deliver answers in pieces of N bytes\n"
                "  --chunk-pause MS    pause between those pieces\n"
                "  --echo              echo every command line, as a phone with ATE1 does\n"
                "  --battery TEXT      the +CBC answer's fields (default \"0,85\")\n"
                "  --serial TEXT       the serial number AT+CGSN gives (default 351234567890123)\n"
                "  --model TEXT        the model AT+CGMM gives (default ST60)\n"
                "  --firmware TEXT     the firmware AT+CGMR gives (default 21)\n"
                "  --log FILE          append every command line received to FILE\n"
                "  --timeline FILE     append \"<ms> command\" when a command came and\n"
                "                      \"<ms> answer\" when its answer (or the answer's last\n"
                "                      part) was about to be written (steady clock) to FILE\n"
                "  --ring MS           send an unsolicited RING every MS milliseconds\n"
                "  --fault CMD=KIND    misbehave for one command kind; repeatable\n"
                "  --return-after MS   come back MS milliseconds after vanishing (below)\n"
                "  --serial-after-return TEXT\n"
                "                      the serial number AT+CGSN gives once back: another\n"
                "                      phone on the same path\n"
                "  --help              show this text\n"
                "\n"
                "CMD is QFSL, QFRF, QFWF, QFDF, CBC, CGSN, CGMM, CGMR or AT. KIND is one of:\n"
                "  error               answer ERROR (QFWF: after taking the data)\n"
                "  refuse              QFWF only: ERROR instead of the \"> \" prompt\n"
                "  silent              never answer (QFWF: never prompt)\n"
                "  late:MS             answer after MS milliseconds\n"
                "  nocrlf              leave out the answer's final CR LF\n"
                "  split:POS:MS        pause MS milliseconds after POS bytes of the answer\n"
                "  walk:MS             split the n-th such answer after n bytes, pausing MS\n"
                "  drop:N              drop the line after N bytes (QFWF: of the data)\n"
                "  early               QFWF only: \"OK\" right after the prompt, data unanswered\n"
                "  nosize              QFRF only: the answer carries no \"+QFRF:\" size\n"
                "For QFWF, late, nocrlf, split and walk shape the answer after the data.\n"
                "Append @COUNT to apply it to the first COUNT such commands only,\n"
                "e.g. --fault QFSL=nocrlf@2, or #N to the N-th one only, e.g. QFRF=late:3000#1.\n"
                "\n"
                "Names starting with \".\" in FOLDER are the phone's internal folders: they\n"
                "are listed only at the root and only when asked for with \",4\".\n"
                "\n"
                "The phone vanishes on SIGUSR1, as an unplugged cable does: it closes its\n"
                "pseudo-terminal (the client's line is lost) and removes the --link. On\n"
                "SIGUSR2, or --return-after MS later, it comes back on a new pseudo-terminal,\n"
                "puts the link back on the same path and prints the new terminal's path.\n");
}

bool needValue(int index, int argc, const char* option)
{
    if (index + 1 < argc)
        return true;
    std::fprintf(stderr, "vantrel-phonesim: %s needs a value\n", option);
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    SimulatorOptions options;
    long returnAfter = -1; // -1: only on SIGUSR2
    std::string serialAfterReturn;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        auto number = [&](long& target) {
            char* end = nullptr;
            target = std::strtol(argv[++i], &end, 10);
            return *end == '\0' && target >= 0;
        };
        bool ok = true;
        if (option == "--help" || option == "-h") {
            printHelp();
            return 0;
        } else if (option == "--echo") {
            options.echo = true;
        } else if (!needValue(i, argc, option.c_str())) {
            return 2;
        } else if (option == "--root") {
            options.root = argv[++i];
        } else if (option == "--link") {
            gLinkPath = argv[++i];
        } else if (option == "--baud") {
            ok = number(options.baud);
        } else if (option == "--chunk") {
            ok = number(options.chunk);
        } else if (option == "--chunk-pause") {
            ok = number(options.chunkPause);
        } else if (option == "--battery") {
            options.battery = argv[++i];
        } else if (option == "--serial") {
            options.serial = argv[++i];
        } else if (option == "--model") {
            options.model = argv[++i];
        } else if (option == "--firmware") {
            options.firmware = argv[++i];
        } else if (option == "--log") {
            options.log = std::fopen(argv[++i], "a");
            ok = options.log != nullptr;
        } else if (option == "--timeline") {
            options.timeline = std::fopen(argv[++i], "a");
            ok = options.timeline != nullptr;
        } else if (option == "--ring") {
            ok = number(options.ringEvery);
        } else if (option == "--fault") {
            ok = options.faults.add(argv[++i]);
        } else if (option == "--return-after") {
            ok = number(returnAfter);
        } else if (option == "--serial-after-return") {
            serialAfterReturn = argv[++i];
        } else {
            std::fprintf(stderr, "vantrel-phonesim: unknown option %s (try --help)\n", option.c_str());
            return 2;
        }
        if (!ok) {
            std::fprintf(stderr, "vantrel-phonesim: bad value for %s: %s\n", option.c_str(), argv[i]);
            return 2;
        }
    }
    if (options.root.empty() || !std::filesystem::is_directory(options.root)) {
        std::fprintf(stderr, "vantrel-phonesim: --root must name a folder (try --help)\n");
        return 2;
    }
    options.root = std::filesystem::absolute(options.root).lexically_normal().string();
    if (options.root.size() > 1 && options.root.back() == '/')
        options.root.pop_back();

    if (pipe2(gControl, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("vantrel-phonesim: pipe");
        return 1;
    }
    std::atexit(removeLink);
    std::signal(SIGTERM, endOnSignal);
    std::signal(SIGINT, endOnSignal);
    std::signal(SIGHUP, endOnSignal);
    // Taken before the path is printed: whoever read it may signal at once.
    std::signal(SIGUSR1, orderOnSignal);
    std::signal(SIGUSR2, orderOnSignal);
    // A simulator whose starter died (a crashed test) must not linger.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    int master = -1, slave = -1;
    if (!openTerminal(master, slave))
        return 1;

    for (;;) {
        // Our own handle on the terminal keeps the line up between clients.
        PhoneSimulator simulator(master, options, gControl[0]);
        const bool vanished = simulator.run();
        close(master);
        close(slave);
        if (!vanished)
            return 0;
        // Unplugged: the terminal is gone, and so is the path to it.
        removeLink();
        if (!waitForReturn(returnAfter))
            return 1;
        if (!serialAfterReturn.empty())
            options.serial = serialAfterReturn;
        if (!openTerminal(master, slave))
            return 1;
    }
}
