#include "PhoneSimulator.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const std::string kCrLf = "\r\n";
const std::string kOk = "\r\nOK\r\n";
const std::string kError = "\r\nERROR\r\n";

void sleepMillis(long millis)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(millis));
}

// Splits "a","b",1 into its fields, quotes removed.
std::vector<std::string> splitArguments(const std::string& text)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

bool decodeHexName(const std::string& hex, std::u16string& name)
{
    if (hex.size() % 4 != 0)
        return false;
    name.clear();
    for (std::size_t i = 0; i < hex.size(); i += 4) {
        char* end = nullptr;
        const std::string group = hex.substr(i, 4);
        const long code = std::strtol(group.c_str(), &end, 16);
        if (*end != '\0')
            return false;
        name += static_cast<char16_t>(code);
    }
    return true;
}

std::string encodeHexName(const std::u16string& name)
{
    std::string hex;
    char digits[8];
    for (char16_t c : name) {
        std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(c));
        hex += digits;
    }
    return hex;
}

bool toLong(const std::string& text, long& value)
{
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && value >= 0;
}

std::string commandKind(const std::string& line)
{
    if (line == "AT")
        return "AT";
    if (line.rfind("AT+", 0) != 0)
        return "";
    const auto end = line.find_first_of("=?", 3);
    return line.substr(3, end == std::string::npos ? std::string::npos : end - 3);
}

} // namespace

PhoneSimulator::PhoneSimulator(int masterFd, SimulatorOptions& options, int controlFd)
    : fd_(masterFd), controlFd_(controlFd), options_(options), files_(options.root)
{}

bool PhoneSimulator::run()
{
    char buffer[4096];
    nextRing_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.ringEvery);
    for (;;) {
        pollfd waiting[2] = {{fd_, POLLIN, 0}, {controlFd_, POLLIN, 0}};
        const int ready = poll(waiting, controlFd_ >= 0 ? 2 : 1, millisToNextRing());
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (ready == 0) {
            ringIfDue();
            continue;
        }
        if (controlFd_ >= 0 && (waiting[1].revents & POLLIN)) {
            // Only 'v' makes the phone vanish; a return asked for while it is here changes nothing.
            char order = 0;
            if (read(controlFd_, &order, 1) == 1 && order == 'v')
                return true;
            if (ready == 1)
                continue;
        }
        if (!(waiting[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t count = read(fd_, buffer, sizeof buffer);
        if (count < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (count < 0 && errno == EIO) {
            // No one has the line open right now; wait for the next client.
            sleepMillis(20);
            continue;
        }
        if (count <= 0)
            return false;
        paceBytes(static_cast<std::size_t>(count));
        takeInput(std::string(buffer, static_cast<std::size_t>(count)));
    }
}

void PhoneSimulator::paceBytes(std::size_t count)
{
    if (options_.baud <= 0)
        return;
    // Ten bits a byte on an 8N1 line. Waiting for an absolute time keeps the
    // sleeps' own overshoot from adding up over a long answer.
    // A line idle for a while starts afresh; a sleep's overshoot does not.
    const auto now = std::chrono::steady_clock::now();
    if (lineFreeAt_ + std::chrono::milliseconds(5) < now)
        lineFreeAt_ = now;
    lineFreeAt_ += std::chrono::nanoseconds(static_cast<long long>(count) * 10'000'000'000LL / options_.baud);
    std::this_thread::sleep_until(lineFreeAt_);
}

void PhoneSimulator::takeInput(const std::string& bytes)
{
    input_ += bytes;
    // The LF of a command's CR LF may come in the next read; it is not data.
    if (lineFeedPending_ && !input_.empty()) {
        if (input_.front() == '\n')
            input_.erase(0, 1);
        lineFeedPending_ = false;
    }
    while (handleBufferedInput()) {
    }
}

bool PhoneSimulator::handleBufferedInput()
{
    switch (mode_) {
    case Mode::Command: {
        const auto end = input_.find('\r');
        if (end == std::string::npos)
            return false;
        std::string line = input_.substr(0, end);
        input_.erase(0, end + 1);
        if (!input_.empty() && input_.front() == '\n')
            input_.erase(0, 1);
        else
            lineFeedPending_ = input_.empty();
        line.erase(0, line.find_first_not_of("\n \t"));
        if (!line.empty())
            handleCommand(line);
        return true;
    }
    case Mode::Data:
        if (uploadFault_.kind == Fault::Kind::Drop &&
            input_.size() >= static_cast<std::size_t>(uploadFault_.position))
            dropLine();
        // The phone confirms only after the copy of the slice's last two bytes.
        if (input_.size() < uploadLength_ + std::min<std::size_t>(2, uploadLength_))
            return false;
        finishUpload();
        return true;
    case Mode::SkipToCommand: {
        // The bytes after a slice's declared length are dropped up to the next command.
        for (std::size_t at = input_.find("AT"); at != std::string::npos; at = input_.find("AT", at + 1)) {
            if (at + 2 < input_.size() && (input_[at + 2] == '+' || input_[at + 2] == '\r')) {
                input_.erase(0, at);
                mode_ = Mode::Command;
                return true;
            }
        }
        const bool keepTail = input_.size() >= 2 && input_.compare(input_.size() - 2, 2, "AT") == 0;
        input_ = keepTail ? "AT" : (!input_.empty() && input_.back() == 'A' ? "A" : "");
        return false;
    }
    }
    return false;
}

void PhoneSimulator::handleCommand(const std::string& line)
{
    if (options_.log) {
        std::fprintf(options_.log, "%s\n", line.c_str());
        std::fflush(options_.log);
    }
    noteTime("command");
    // A phone with echo on returns the line as it came, line end included.
    if (options_.echo)
        send(line + kCrLf);
    const std::string kind = commandKind(line);
    const Fault fault = options_.faults.take(kind);
    const auto equals = line.find('=');
    const std::string arguments = equals == std::string::npos ? "" : line.substr(equals + 1);

    if (kind == "QFWF") {
        if (!startUpload(arguments, fault))
            answer(kError, {});
        return;
    }
    std::string reply;
    if (kind == "AT")
        reply = kOk;
    else if (kind == "QFSL")
        reply = listingAnswer(arguments, fault);
    else if (kind == "QFRF")
        reply = readAnswer(arguments, fault);
    else if (kind == "QFDF")
        reply = deleteAnswer(arguments, fault);
    else if (kind == "CBC")
        reply = kCrLf + "+CBC: " + options_.battery + kCrLf + kOk;
    else if (kind == "CGSN" || kind == "CGMM" || kind == "CGMR")
        reply = kCrLf +
                (kind == "CGSN"   ? options_.serial
                 : kind == "CGMM" ? options_.model
                                  : options_.firmware) +
                kCrLf + kOk;
    else
        reply = kError;
    answer(reply, fault);
}

std::string PhoneSimulator::listingAnswer(const std::string& arguments, const Fault&)
{
    const auto fields = splitArguments(arguments);
    std::u16string folder;
    if (fields.size() < 2 || !decodeHexName(fields[0], folder))
        return kError;
    const auto entries = files_.list(folder, fields[1] == "4");
    if (!entries)
        return kError;
    if (entries->empty())
        return kOk;
    std::string reply;
    for (const auto& entry : *entries) {
        reply += kCrLf + "+QFSL: \"" + encodeHexName(entry.name) + "\"," + (entry.isFolder ? "1" : "0") +
                 ",0," + std::to_string(entry.size) + ",\"2007/05/12 10:00\"";
    }
    return reply + kCrLf + kOk;
}

std::optional<std::string> PhoneSimulator::fileNamedBy(const std::string& arguments) const
{
    const auto fields = splitArguments(arguments);
    std::u16string folder, name;
    if (fields.size() < 4 || !decodeHexName(fields[0], folder) || !decodeHexName(fields[2], name))
        return std::nullopt;
    return files_.filePath(folder, name);
}

std::string PhoneSimulator::readAnswer(const std::string& arguments, const Fault& fault)
{
    const auto path = fileNamedBy(arguments);
    std::ifstream file;
    if (path)
        file.open(*path, std::ios::binary);
    if (!file)
        return kError;
    std::ostringstream content;
    content << file.rdbuf();
    const std::string bytes = content.str();
    if (fault.kind == Fault::Kind::NoSize)
        return kCrLf + kCrLf + bytes + kCrLf + kOk;
    return kCrLf + "+QFRF: " + std::to_string(bytes.size()) + kCrLf + bytes + kCrLf + kOk;
}

std::string PhoneSimulator::deleteAnswer(const std::string& arguments, const Fault& fault)
{
    // A phone that refuses a delete keeps the file.
    if (fault.kind == Fault::Kind::Error)
        return kError;
    const auto path = fileNamedBy(arguments);
    return path && unlink(path->c_str()) == 0 ? kOk : kError;
}

bool PhoneSimulator::startUpload(const std::string& arguments, const Fault& fault)
{
    const auto fields = splitArguments(arguments);
    std::u16string folder, name;
    long length = 0;
    if (fields.size() < 7 || !decodeHexName(fields[0], folder) || !decodeHexName(fields[2], name) ||
        !toLong(fields[4], length) || !toLong(fields[6], uploadOffset_))
        return false;
    const auto path = files_.filePath(folder, name);
    const auto base = files_.folderPath(folder);
    if (!path || !base || access(base->c_str(), W_OK) != 0 || fault.kind == Fault::Kind::Refuse)
        return false;
    uploadPath_ = *path;
    uploadLength_ = static_cast<std::size_t>(length);
    uploadFault_ = fault;
    if (fault.kind == Fault::Kind::Silent)
        return true; // takes the command, never prompts
    if (fault.kind == Fault::Kind::Early) {
        // Confirms before taking anything, then lets the data fall on the floor.
        send(kCrLf + "> " + kOk);
        mode_ = Mode::SkipToCommand;
        return true;
    }
    send(kCrLf + "> ");
    mode_ = Mode::Data;
    return true;
}

void PhoneSimulator::finishUpload()
{
    const std::string data = input_.substr(0, uploadLength_);
    input_.erase(0, uploadLength_);
    mode_ = Mode::SkipToCommand;
    if (uploadFault_.kind == Fault::Kind::Error) {
        answer(kError, {});
        return;
    }
    std::fstream file;
    if (uploadOffset_ == 0)
        file.open(uploadPath_, std::ios::binary | std::ios::out | std::ios::trunc);
    else
        file.open(uploadPath_, std::ios::binary | std::ios::in | std::ios::out);
    if (file) {
        file.seekp(uploadOffset_);
        file.write(data.data(), static_cast<std::streamsize>(data.size()));
        // Stored before confirmed: whoever heard the OK may look at the file at once.
        file.close();
    }
    // Timing and shape faults act on this confirmation; the others were the
    // prompt's (refuse, silent) or the data's (drop).
    const bool shapesConfirmation = uploadFault_.kind == Fault::Kind::Late ||
                                    uploadFault_.kind == Fault::Kind::NoCrLf ||
                                    uploadFault_.kind == Fault::Kind::Split;
    answer(file ? kOk : kError, shapesConfirmation ? uploadFault_ : Fault{});
}

void PhoneSimulator::answer(std::string bytes, const Fault& fault)
{
    switch (fault.kind) {
    case Fault::Kind::Silent:
        return;
    case Fault::Kind::Error:
        bytes = kError;
        break;
    case Fault::Kind::Late:
        sleepMillis(fault.millis);
        break;
    case Fault::Kind::NoCrLf:
        if (bytes.size() >= 2)
            bytes.resize(bytes.size() - 2);
        break;
    case Fault::Kind::Split: {
        const auto at = std::min<std::size_t>(static_cast<std::size_t>(fault.position), bytes.size());
        send(bytes.substr(0, at));
        sleepMillis(fault.millis);
        bytes.erase(0, at);
        break;
    }
    case Fault::Kind::Drop:
        send(bytes.substr(0, std::min<std::size_t>(static_cast<std::size_t>(fault.position), bytes.size())));
        dropLine();
    default:
        break;
    }
    // Noted before the writing: the other side cannot have the answer earlier.
    noteTime("answer");
    send(bytes);
}

void PhoneSimulator::noteTime(const char* event)
{
    if (!options_.timeline)
        return;
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::fprintf(options_.timeline, "%.3f %s\n", std::chrono::duration<double, std::milli>(now).count(),
                 event);
    std::fflush(options_.timeline);
}

void PhoneSimulator::ringIfDue()
{
    if (options_.ringEvery <= 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now < nextRing_)
        return;
    // Only between answers, as a phone does: never inside an upload's data.
    if (mode_ == Mode::Command)
        send(kCrLf + "RING" + kCrLf);
    nextRing_ = now + std::chrono::milliseconds(options_.ringEvery);
}

int PhoneSimulator::millisToNextRing() const
{
    if (options_.ringEvery <= 0)
        return -1;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(nextRing_ - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

void PhoneSimulator::send(const std::string& bytes)
{
    // Pieces of about a millisecond's line time when paced, else the configured chunk.
    std::size_t piece = bytes.size();
    if (options_.baud > 0)
        piece = static_cast<std::size_t>(std::max(1L, options_.baud / 10000));
    if (options_.chunk > 0)
        piece = std::min(piece, static_cast<std::size_t>(options_.chunk));
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        const std::string part = bytes.substr(at, piece);
        std::size_t written = 0;
        while (written < part.size()) {
            const ssize_t count = write(fd_, part.data() + written, part.size() - written);
            if (count < 0 && errno != EINTR && errno != EAGAIN)
                return;
            if (count > 0)
                written += static_cast<std::size_t>(count);
        }
        paceBytes(part.size());
        if (options_.chunkPause > 0 && at + piece < bytes.size())
            sleepMillis(options_.chunkPause);
    }
}

void PhoneSimulator::dropLine()
{
    // Linger so the bytes already written reach the other side before it closes.
    sleepMillis(200);
    close(fd_);
    std::exit(0);
}
