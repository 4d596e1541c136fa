#include "tools/assetpack/isolated_import.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tools/assetpack/tool_error.h"

namespace td {

namespace {

constexpr char kModelTag = 'M';
constexpr char kRefusalTag = 'E';
// A refusal longer than this is cut: it is shown as part of one line.
constexpr size_t kMaxReasonBytes = 300;
// The most an answer may take: some 40 million triangles, far more than any model that packs,
// with room to simplify.
constexpr size_t kMaxAnswerBytes = size_t(1) << 30;

// An answer starts with its length, so that the parent knows whether all of it arrived.
class AnswerWriter {
public:
    explicit AnswerWriter(char tag) : bytes_(sizeof(uint64_t), '\0') { bytes_.push_back(tag); }
    template <typename T>
    void value(T v) {
        bytes_.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
    void text(const std::string& t) { bytes_ += t; }
    std::string take() {
        const uint64_t length = bytes_.size();
        std::memcpy(&bytes_[0], &length, sizeof length);
        return std::move(bytes_);
    }

private:
    std::string bytes_;
};

// Reads the answer; every read is checked here, and running past the end is a refusal.
class AnswerReader {
public:
    AnswerReader(const std::string& bytes, const std::string& path) : bytes_(bytes), path_(path) {}

    template <typename T>
    T value() {
        T v;
        std::memcpy(&v, take(sizeof v), sizeof v);
        return v;
    }
    // A count of records of `size` bytes each, checked against what is left before anything is
    // allocated for them.
    uint32_t count(size_t size) {
        const uint32_t n = value<uint32_t>();
        if (n > (bytes_.size() - at_) / size) broken("claims " + std::to_string(n) + " records");
        return n;
    }
    std::string rest() {
        const size_t n = bytes_.size() - at_;
        return std::string(take(n), n);
    }
    void end() const {
        if (at_ != bytes_.size()) broken("runs on past its end");
    }

private:
    const char* take(size_t n) {
        if (n > bytes_.size() - at_) broken("ends early");
        at_ += n;
        return bytes_.data() + at_ - n;
    }
    [[noreturn]] void broken(const std::string& what) const {
        throw ToolError(path_ + ": the import's answer " + what + " (" + std::to_string(bytes_.size()) + " bytes)");
    }

    const std::string& bytes_;
    const std::string& path_;
    size_t at_ = 0;
};

// Whether all of an answer arrived.
bool answerComplete(const std::string& answer) {
    try {
        return AnswerReader(answer, "").value<uint64_t>() == answer.size();
    } catch (const ToolError&) {
        return false;  // too short to hold its length
    }
}

// Bytes of address space the process has now.
uint64_t addressSpaceBytes() {
    unsigned long long pages = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%llu", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    return pages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

// Whole seconds for a limit: at least one, and defined for any value (NaN and infinity included).
rlim_t wholeSeconds(double seconds) {
    return !(seconds < 1e6) ? rlim_t(1000000) : seconds < 1.0 ? rlim_t(1) : static_cast<rlim_t>(std::ceil(seconds));
}

[[noreturn]] void runChild(const std::string& path, const ImportLimits& limits, int out) {
    // A fault ends the child by its signal, for the parent to name, whatever handlers the parent
    // had installed (a sanitizer's or a fuzzer's would report the parent's input as the culprit).
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGXCPU}) std::signal(signal, SIG_DFL);
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd : {0, 1, 2}) ::dup2(null, fd);  // the library's own messages would break the one line
    const rlim_t memory = static_cast<rlim_t>(addressSpaceBytes() + limits.memoryBytes);
    const rlimit addressSpace{memory, memory};
    const rlimit cpu{wholeSeconds(limits.seconds), wholeSeconds(limits.seconds) + 1};
    ::setrlimit(RLIMIT_AS, &addressSpace);
    ::setrlimit(RLIMIT_CPU, &cpu);
    std::string answer;
    try {
        answer = encodeImported(importWithLibrary(path));
    } catch (const std::bad_alloc&) {
        answer = encodeRefusal("it needs more than " + std::to_string(limits.memoryBytes >> 20) + " MB of memory");
    } catch (const std::exception& e) {
        answer = encodeRefusal(e.what());
    } catch (...) {
        answer = encodeRefusal("the library failed without a reason");
    }
    for (size_t done = 0; done < answer.size();) {
        const ssize_t n = ::write(out, answer.data() + done, answer.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) _exit(1);
        done += static_cast<size_t>(n);
    }
    _exit(0);  // no exit handlers: they belong to the parent
}

std::string tookTooLong(const ImportLimits& limits) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", limits.seconds);
    return std::string("the import library took longer than ") + seconds + " s on it";
}

// Ends the child at once and collects it.
void stop(pid_t child) {
    ::kill(child, SIGKILL);
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

std::string encodeImported(const ImportedModel& model) {
    AnswerWriter out(kModelTag);
    out.value(static_cast<uint32_t>(model.positions.size()));
    for (const auto& p : model.positions)
        for (float c : p) out.value(c);
    out.value(static_cast<uint32_t>(model.triangles.size()));
    for (const auto& t : model.triangles)
        for (uint32_t i : t) out.value(i);
    out.value(static_cast<uint8_t>(model.colour.has_value() | model.vertexColours << 1 | model.textures << 2));
    if (model.colour)
        for (float c : *model.colour) out.value(c);
    for (uint32_t n : {model.points, model.lines, model.cameras, model.lights, model.animations}) out.value(n);
    return out.take();
}

std::string encodeRefusal(const std::string& reason) {
    AnswerWriter out(kRefusalTag);
    out.text(reason.substr(0, kMaxReasonBytes));
    return out.take();
}

ImportedModel decodeImported(const std::string& answer, const std::string& path) {
    AnswerReader in(answer, path);
    if (in.value<uint64_t>() != answer.size()) throw ToolError(path + ": the import's answer is not all there");
    const char tag = in.value<char>();
    if (tag == kRefusalTag) {
        std::string reason = in.rest().substr(0, kMaxReasonBytes);
        for (char& c : reason)
            if (static_cast<unsigned char>(c) < ' ') c = ' ';  // one line
        throw ToolError(path + ": the import library cannot read it: " + reason);
    }
    if (tag != kModelTag) throw ToolError(path + ": the import's answer is not a model");
    ImportedModel model;
    model.positions.resize(in.count(3 * sizeof(float)));
    for (auto& p : model.positions)
        for (float& c : p) c = in.value<float>();
    model.triangles.resize(in.count(3 * sizeof(uint32_t)));
    for (auto& t : model.triangles)
        for (uint32_t& i : t) i = in.value<uint32_t>();
    const uint8_t flags = in.value<uint8_t>();
    model.vertexColours = flags & 2;
    model.textures = flags & 4;
    if (flags & 1) {
        model.colour.emplace();
        for (float& c : *model.colour) c = in.value<float>();
    }
    for (uint32_t* n : {&model.points, &model.lines, &model.cameras, &model.lights, &model.animations})
        *n = in.value<uint32_t>();
    in.end();
    return model;
}

ImportedModel importIsolated(const std::string& path, const ImportLimits& limits) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw ToolError(path + ": cannot start the import: " + std::strerror(errno));
    std::fflush(nullptr);  // nothing buffered may be written twice
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw ToolError(path + ": cannot start the import: " + std::strerror(errno));
    }
    if (child == 0) {
        ::close(fds[0]);
        runChild(path, limits, fds[1]);
    }
    ::close(fds[1]);

    using Clock = std::chrono::steady_clock;
    const bool bounded = limits.seconds < 1e6;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(bounded ? static_cast<int64_t>(std::max(0.0, limits.seconds) * 1000) : 0);
    std::string answer;
    std::string failure;
    char chunk[1 << 16];
    for (;;) {
        const int64_t left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (bounded && left <= 0) {
            failure = tookTooLong(limits);
            break;
        }
        pollfd wait{fds[0], POLLIN, 0};
        const int ready = ::poll(&wait, 1, bounded ? static_cast<int>(std::min<int64_t>(left, 1000)) : 1000);
        if (ready <= 0) continue;  // a timeout or a signal: look at the clock again
        const ssize_t n = ::read(fds[0], chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the child has finished, one way or another
        if (answer.size() + static_cast<size_t>(n) > kMaxAnswerBytes) {
            failure = "the import hands over more than " + std::to_string(kMaxAnswerBytes >> 20) + " MB";
            break;
        }
        answer.append(chunk, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    if (!failure.empty()) {
        stop(child);
        throw ToolError(path + ": " + failure);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // A complete answer stands however the child ended after writing it: a memory checker, say,
    // reports the library's leaks through the exit status.
    if ((WIFEXITED(status) && WEXITSTATUS(status) == 0) || answerComplete(answer)) return decodeImported(answer, path);
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        throw ToolError(path + ": " +
                        (signal == SIGXCPU ? tookTooLong(limits)
                                           : "the import library crashed on it (" + std::string(strsignal(signal)) + ")"));
    }
    throw ToolError(path + ": the import library failed on it (exit status " +
                    std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")");
}

}  // namespace td
