#pragma once

#include "FaultPlan.h"
#include "SimulatedFileSystem.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

struct SimulatorOptions
{
    std::string root;
    long baud = 0;       // 0: unpaced
    long chunk = 0;      // answer delivered in pieces of this many bytes (0: whole)
    long chunkPause = 0; // milliseconds between the pieces
    bool echo = false;
    std::string battery = "0,85";
    // What the phone says of itself (AT+CGSN, AT+CGMM, AT+CGMR).
    std::string serial = "351234567890123";
    std::string model = "ST60";
    std::string firmware = "21";
    std::FILE* log = nullptr;
    std::FILE* timeline = nullptr; // when each command came and each answer went out
    long ringEvery = 0;            // milliseconds between unsolicited RINGs (0: none)
    FaultPlan faults;
};

// Answers the phone's AT file commands on the master side of a pseudo-terminal.
class PhoneSimulator
{
public:
    // `controlFd`: readable when the phone is to vanish (-1: never).
    PhoneSimulator(int masterFd, SimulatorOptions& options, int controlFd = -1);
    // Runs until the line is dropped, the terminal goes away (false) or the
    // control descriptor becomes readable (true).
    bool run();

private:
    enum class Mode
    {
        Command,
        Data,
        SkipToCommand
    };

    void takeInput(const std::string& bytes);
    bool handleBufferedInput();
    void handleCommand(const std::string& line);
    void finishUpload();
    void answer(std::string bytes, const Fault& fault);
    void send(const std::string& bytes);
    void paceBytes(std::size_t count);
    [[noreturn]] void dropLine();
    void noteTime(const char* event);
    void ringIfDue();
    int millisToNextRing() const;

    std::string listingAnswer(const std::string& arguments, const Fault& fault);
    // The disk path of the file a read or delete command names.
    std::optional<std::string> fileNamedBy(const std::string& arguments) const;
    std::string readAnswer(const std::string& arguments, const Fault& fault);
    std::string deleteAnswer(const std::string& arguments, const Fault& fault);
    bool startUpload(const std::string& arguments, const Fault& fault);

    int fd_;
    int controlFd_;
    SimulatorOptions& options_;
    SimulatedFileSystem files_;
    std::string input_;
    Mode mode_ = Mode::Command;
    std::chrono::steady_clock::time_point lineFreeAt_{};
    bool lineFeedPending_ = false;
    std::chrono::steady_clock::time_point nextRing_{};

    // The upload in progress.
    std::string uploadPath_;
    std::size_t uploadLength_ = 0;
    long uploadOffset_ = 0;
    Fault uploadFault_;
};
