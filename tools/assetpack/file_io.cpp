#include "tools/assetpack/file_io.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/assetpack/tool_error.h"

namespace td {

namespace {

// The temporary file being written, for the signal handler to remove: a fixed buffer, since a
// handler may only make async-signal-safe calls.
char pendingTemporary[4096];
volatile std::sig_atomic_t pendingActive = 0;

constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void removeTemporaryAndDie(int signal) {
    if (pendingActive) ::unlink(pendingTemporary);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Removes the temporary file when the write fails, throws, or the process is told to stop.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) {
        const std::string pattern = target + ".tmpXXXXXX";
        if (pattern.size() >= sizeof pendingTemporary) {
            errno = ENAMETOOLONG;
            return;
        }
        installed_ = true;
        std::memcpy(pendingTemporary, pattern.c_str(), pattern.size() + 1);
        struct sigaction action {};
        action.sa_handler = removeTemporaryAndDie;
        sigemptyset(&action.sa_mask);
        // A signal the process was started to ignore, as a shell starts background commands,
        // would not have stopped it, and stays ignored.
        for (size_t i = 0; i < sizeof kCleanedSignals / sizeof *kCleanedSignals; ++i) {
            sigaction(kCleanedSignals[i], nullptr, &previous_[i]);
            if (previous_[i].sa_handler != SIG_IGN) sigaction(kCleanedSignals[i], &action, nullptr);
        }
        // Signals are blocked while the name becomes live, so a handler never sees half of it.
        sigset_t all, old;
        sigfillset(&all);
        sigprocmask(SIG_BLOCK, &all, &old);
        fd_ = ::mkstemp(pendingTemporary);
        pendingActive = fd_ >= 0;
        if (fd_ >= 0) path_ = pendingTemporary;
        sigprocmask(SIG_SETMASK, &old, nullptr);
    }
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!path_.empty()) ::unlink(path_.c_str());
        pendingActive = 0;
        if (installed_)
            for (size_t i = 0; i < sizeof kCleanedSignals / sizeof *kCleanedSignals; ++i)
                sigaction(kCleanedSignals[i], &previous_[i], nullptr);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool write(const std::string& bytes) {
        if (fd_ < 0) return false;
        // mkstemp makes the file private; the result gets the permissions of any new file.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd_, 0666 & ~mask) != 0) return false;
        for (size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        const bool closed = ::fsync(fd_) == 0 && ::close(fd_) == 0;
        fd_ = -1;
        return closed;
    }
    bool renameTo(const std::string& target) {
        if (std::rename(path_.c_str(), target.c_str()) != 0) return false;
        path_.clear();
        return true;
    }

private:
    int fd_ = -1;
    bool installed_ = false;
    std::string path_;
    struct sigaction previous_[sizeof kCleanedSignals / sizeof *kCleanedSignals] {};
};

}  // namespace

std::string readWholeFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw ToolError("cannot read " + path + ": " + std::strerror(errno));
    errno = 0;
    std::string bytes;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    const bool failed = std::ferror(file) != 0;  // a directory, say, opens but cannot be read
    const int error = errno;
    std::fclose(file);
    if (failed) throw ToolError("cannot read " + path + (error != 0 ? std::string(": ") + std::strerror(error) : ""));
    return bytes;
}

void writeWholeFile(const std::string& path, const std::string& bytes) {
    TemporaryFile temporary(path);
    if (!temporary.write(bytes) || !temporary.renameTo(path))
        throw ToolError("cannot write " + path + ": " + std::strerror(errno));
}

}  // namespace td
