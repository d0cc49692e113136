#include "FileWrite.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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
    default:
        why = "ошибка системы";
        break;
    }
    return std::string(why) + " (" + std::strerror(err) + ")";
}

namespace {

struct Failure {
    const char* what = nullptr;
    int err = 0;
};

// Writes the text into a fresh temporary file beside path; returns its name, or "" with *failure set.
std::string WriteTemporary(const FileContent& file, Failure* failure) {
    std::string tmp = file.path + ".tmp-XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        *failure = {"не удалось создать файл", errno};
        return {};
    }
    int err = 0;
    const char* p = file.text.data();
    std::size_t left = file.text.size();
    while (left > 0 && err == 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno != EINTR) err = errno;
        } else {
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }
    // The data must be on the disk before the rename makes them the file.
    if (err == 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) err = errno;
    // A file created by mkstemp is private (0600): a file replaced keeps its permissions, a new one gets
    // those of an ordinary new file.
    if (err == 0) {
        struct stat old {};
        if (::stat(file.path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
            ::fchmod(fd, old.st_mode & 07777);
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ::fchmod(fd, 0666 & ~mask);
        }
    }
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) {
        ::unlink(tmp.c_str());
        *failure = {"не удалось записать файл", err};
        return {};
    }
    return tmp;
}

// Writes all files or none; on failure returns the index of the file that failed with *failure set.
std::size_t WriteAll(const std::vector<FileContent>& files, Failure* failure) {
    std::vector<std::string> temps;
    for (std::size_t k = 0; k < files.size(); ++k) {
        std::string tmp = WriteTemporary(files[k], failure);
        if (tmp.empty()) {
            for (const std::string& t : temps)
                ::unlink(t.c_str());
            return k;
        }
        temps.push_back(std::move(tmp));
    }
    for (std::size_t k = 0; k < files.size(); ++k) {
        if (std::rename(temps[k].c_str(), files[k].path.c_str()) != 0) {
            *failure = {"не удалось записать файл", errno};
            // The ones already renamed are complete new files; the rest are dropped.
            for (std::size_t r = k; r < temps.size(); ++r)
                ::unlink(temps[r].c_str());
            return k;
        }
    }
    return files.size();
}

} // namespace

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
