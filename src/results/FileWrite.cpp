#include "FileWrite.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel {

std::string SystemErrorText(int err, bool pathAsGiven) {
    const char* why = nullptr;
    switch (err) {
    case ENOSPC:
        why = "на диске нет места";
        break;
    case EDQUOT:
        why = "превышена дисковая квота";
        break;
    case EACCES:
    case EPERM:
        why = "нет прав на запись";
        break;
    case EROFS:
        why = "файловая система доступна только для чтения";
        break;
    case ENOENT:
        why = pathAsGiven ? "нет такого файла или папки" : "папка не существует";
        break;
    case ENOTDIR:
        why = "часть пути не является папкой";
        break;
    case EISDIR:
        why = "на этом месте находится папка";
        break;
    case EFBIG:
        why = "файл превышает допустимый размер";
        break;
    case EIO:
        why = "ошибка ввода-вывода";
        break;
    case ENAMETOOLONG:
        why = "слишком длинное имя файла";
        break;
    case EMFILE:
    case ENFILE:
        why = "открыто слишком много файлов";
        break;
    case EXDEV:
        why = "файлы находятся на разных файловых системах";
        break;
    case EBUSY:
        why = "файл занят";
        break;
    case ELOOP:
        why = "слишком много символических ссылок в пути";
        break;
    case ENXIO:
        why = "нет такого устройства или у канала нет читателя";
        break;
    case ENODEV:
        why = "устройство не поддерживает запись";
        break;
    case EPIPE:
        why = "читатель канала закрыл его";
        break;
    case ETXTBSY:
        why = "файл занят выполняемой программой";
        break;
    case EINVAL:
        why = "недопустимый аргумент";
        break;
    case EAGAIN:
        why = "ресурс временно недоступен";
        break;
    default:
        return "ошибка системы с кодом " + std::to_string(err) + " (" + std::strerror(err) + ")";
    }
    return std::string(why) + " (" + std::strerror(err) + ")";
}

bool ReadWholeFile(const std::string& path, std::size_t maxBytes, const std::string& tooLarge,
                   std::string& text, std::string& error) {
    text.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "не удалось открыть: " + SystemErrorText(errno, true);
        return false;
    }
    char buf[8192];
    bool tooLong = false;
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        text.append(buf, n);
        if (text.size() > maxBytes) {
            tooLong = true;
            break;
        }
    }
    const bool readError = std::ferror(f) != 0;
    const int err = errno;
    std::fclose(f);
    if (readError) {
        error = "не удалось прочитать: " + SystemErrorText(err, true);
        return false;
    }
    if (tooLong) {
        error = tooLarge;
        return false;
    }
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& text, std::string& error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = "это папка";
        return false;
    }
    if (const int err = WriteFileAtomicallyErrno(path, text); err != 0) {
        error = SystemErrorText(err, true);
        return false;
    }
    return true;
}

namespace {

// Temporary files alive now, so that a signal that ends the program can remove them. The handler
// touches only lock-free atomics and fixed buffers, and calls only async-signal-safe functions.
constexpr int kTempSlots = 128;
constexpr std::size_t kTempPathMax = 4096;
struct TempSlot {
    std::atomic<int> state{0}; // 0 free, 1 being filled, 2 a live temporary file
    char path[kTempPathMax];
};
TempSlot g_temps[kTempSlots];
const int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveTempsAndDie(int sig) {
    for (TempSlot& slot : g_temps)
        if (slot.state.load(std::memory_order_acquire) == 2) ::unlink(slot.path);
    // SA_RESETHAND has put the default action back: the signal, raised again, ends the program as it
    // would have without the handler.
    ::raise(sig);
}

// Installs the handler once, for the signals whose action is still the default one (a program that
// ignores or handles a signal itself keeps its way).
void InstallCleanup() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int sig : kCleanupSignals) {
            struct sigaction old {};
            if (::sigaction(sig, nullptr, &old) != 0) continue;
            if ((old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL) continue;
            struct sigaction sa {};
            sa.sa_handler = RemoveTempsAndDie;
            sigemptyset(&sa.sa_mask);
            sa.sa_flags = SA_RESETHAND;
            ::sigaction(sig, &sa, nullptr);
        }
    });
}

// Blocks the cleanup signals while a temporary file is created and registered, so that none is left
// between the two.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int sig : kCleanupSignals)
            sigaddset(&set, sig);
        ::pthread_sigmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t old_;
};

// A temporary file created beside `base` (base + ".tmp-XXXXXX") and registered for removal on a
// signal. fd < 0 with errno set on failure.
struct TempFile {
    std::string path;
    int fd = -1;
    int slot = -1;
};

TempFile CreateTemp(const std::string& base) {
    InstallCleanup();
    TempFile t;
    t.path = base + ".tmp-XXXXXX";
    SignalsHeld held;
    t.fd = ::mkstemp(t.path.data());
    if (t.fd < 0) return t;
    if (t.path.size() < kTempPathMax) {
        for (int k = 0; k < kTempSlots; ++k) {
            int expected = 0;
            if (g_temps[k].state.compare_exchange_strong(expected, 1, std::memory_order_acq_rel)) {
                std::memcpy(g_temps[k].path, t.path.c_str(), t.path.size() + 1);
                g_temps[k].state.store(2, std::memory_order_release);
                t.slot = k;
                break;
            }
        }
    }
    return t;
}

// The temporary file is gone (renamed into place or removed): no signal handler may touch its name.
void ForgetTemp(TempFile& t) {
    if (t.slot >= 0) g_temps[t.slot].state.store(0, std::memory_order_release);
    t.slot = -1;
}

void RemoveTemp(TempFile& t) {
    ::unlink(t.path.c_str());
    ForgetTemp(t);
}

struct Failure {
    const char* what = nullptr;
    int err = 0;
};

int WriteAllBytes(int fd, const std::string& text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno != EINTR) return errno;
        } else {
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }
    return 0;
}

// Writes the text into a fresh temporary file beside `target`; fd < 0 with *failure set on failure.
TempFile WriteTemporary(const std::string& target, const std::string& text, Failure* failure) {
    TempFile t = CreateTemp(target);
    if (t.fd < 0) {
        *failure = {"не удалось создать файл", errno};
        return t;
    }
    int err = WriteAllBytes(t.fd, text);
    // The data must be on the disk before the rename makes them the file.
    if (err == 0 && ::fsync(t.fd) != 0 && errno != EINVAL && errno != EROFS) err = errno;
    // A file created by mkstemp is private (0600): a file replaced keeps its permissions, a new one gets
    // those of an ordinary new file.
    if (err == 0) {
        struct stat old {};
        if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
            ::fchmod(t.fd, old.st_mode & 07777);
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ::fchmod(t.fd, 0666 & ~mask);
        }
    }
    if (::close(t.fd) != 0 && err == 0) err = errno;
    t.fd = -1;
    if (err != 0) {
        RemoveTemp(t);
        *failure = {"не удалось записать файл", err};
        return t;
    }
    t.fd = 0; // written and closed
    return t;
}

// The text written straight into a target that is not a regular file (a device, a FIFO, a socket, or a
// file reached through a link of /proc such as /dev/stdout, added at its end). 0 or errno.
int WriteDirect(const OutputTarget& target, const std::string& text) {
    const int flags = O_WRONLY | O_NOCTTY | O_CLOEXEC | (target.append ? O_APPEND : 0);
    int fd = -1;
    do {
        fd = ::open(target.path.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno;
    int err = WriteAllBytes(fd, text);
    if (::close(fd) != 0 && err == 0 && errno != EINTR) err = errno;
    return err;
}

// Writes all files or none of the regular ones; on failure returns the index of the file that failed
// with *failure set.
std::size_t WriteAll(const std::vector<FileContent>& files, Failure* failure) {
    std::vector<OutputTarget> targets;
    targets.reserve(files.size());
    for (std::size_t k = 0; k < files.size(); ++k) {
        targets.push_back(ResolveOutputTarget(files[k].path));
        if (targets.back().err != 0) {
            *failure = {"не удалось записать файл", targets.back().err};
            return k;
        }
    }
    std::vector<TempFile> temps(files.size());
    auto dropTemps = [&](std::size_t from) {
        for (std::size_t r = from; r < temps.size(); ++r)
            if (!temps[r].path.empty() && temps[r].fd == 0) RemoveTemp(temps[r]);
    };
    for (std::size_t k = 0; k < files.size(); ++k) {
        if (targets[k].direct) continue;
        temps[k] = WriteTemporary(targets[k].path, files[k].text, failure);
        if (temps[k].fd < 0) {
            dropTemps(0);
            return k;
        }
    }
    // Whatever cannot be replaced is written in place once every temporary file is complete.
    for (std::size_t k = 0; k < files.size(); ++k) {
        if (!targets[k].direct) continue;
        if (const int err = WriteDirect(targets[k], files[k].text); err != 0) {
            *failure = {"не удалось записать файл", err};
            dropTemps(0);
            return k;
        }
    }
    for (std::size_t k = 0; k < files.size(); ++k) {
        if (targets[k].direct) continue;
        if (std::rename(temps[k].path.c_str(), targets[k].path.c_str()) != 0) {
            *failure = {"не удалось записать файл", errno};
            // The ones already renamed are complete new files; the rest are dropped.
            dropTemps(k);
            return k;
        }
        ForgetTemp(temps[k]);
        temps[k].path.clear();
    }
    return files.size();
}

bool UnderProc(const std::string& path) {
    return path.rfind("/proc/", 0) == 0 || path.rfind("/dev/fd/", 0) == 0;
}

} // namespace

OutputTarget ResolveOutputTarget(const std::string& path) {
    std::string cur = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(cur.c_str(), &st) != 0)
            return {cur, false, false, 0}; // a new file (or its folder's fault)
        if (S_ISREG(st.st_mode)) return {cur, false, false, 0};
        if (S_ISDIR(st.st_mode)) return {cur, false, false, EISDIR};
        if (!S_ISLNK(st.st_mode)) return {cur, true, false, 0}; // a device, a FIFO, a socket
        // A link of /proc (standard output and the like) names an open file, not a path: write through
        // it as it stands, at the end of a regular file.
        if (UnderProc(cur)) {
            struct stat target {};
            if (::stat(cur.c_str(), &target) != 0) return {cur, true, false, 0};
            if (S_ISDIR(target.st_mode)) return {cur, false, false, EISDIR};
            return {cur, true, S_ISREG(target.st_mode), 0};
        }
        std::string text(kTempPathMax, '\0');
        const ssize_t n = ::readlink(cur.c_str(), text.data(), text.size());
        if (n < 0) return {cur, false, false, errno};
        if (static_cast<std::size_t>(n) >= text.size()) return {cur, false, false, ENAMETOOLONG};
        text.resize(static_cast<std::size_t>(n));
        if (text.empty() || text.front() != '/') {
            const auto slash = cur.rfind('/');
            text = (slash == std::string::npos ? std::string() : cur.substr(0, slash + 1)) + text;
        }
        cur = std::move(text);
    }
    return {path, false, false, ELOOP};
}

int CheckOutputWritable(const std::string& path) {
    const OutputTarget t = ResolveOutputTarget(path);
    if (t.err != 0) return t.err;
    if (t.direct) return ::access(t.path.c_str(), W_OK) == 0 ? 0 : errno;
    TempFile probe = CreateTemp(t.path);
    if (probe.fd < 0) return errno;
    ::close(probe.fd);
    RemoveTemp(probe);
    return 0;
}

std::string WriteFilesAtomically(const std::vector<FileContent>& files) {
    Failure failure;
    const std::size_t failed = WriteAll(files, &failure);
    if (failed == files.size()) return {};
    return std::string(failure.what) + " " + files[failed].path + ": " + SystemErrorText(failure.err);
}

int WriteFileAtomicallyErrno(const std::string& path, const std::string& text) {
    const std::vector<FileContent> one{{path, text}};
    Failure failure;
    return WriteAll(one, &failure) == one.size() ? 0 : failure.err;
}

std::string WriteFileAtomically(const std::string& path, const std::string& text) {
    const int err = WriteFileAtomicallyErrno(path, text);
    if (err == 0) return {};
    return "не удалось записать файл «" + path + "»: " + SystemErrorText(err);
}

} // namespace korvel
