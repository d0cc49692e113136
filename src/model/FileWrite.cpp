#include "FileWrite.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel {

std::string SystemErrorText(int err) {
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
        why = "папка не существует";
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
    default:
        why = "ошибка системы";
        break;
    }
    return std::string(why) + " (" + std::strerror(err) + ")";
}

namespace {

std::string Failure(const char* what, const std::string& path, int err) {
    return std::string(what) + " " + path + ": " + SystemErrorText(err);
}

// Writes the text into a fresh temporary file beside path; returns its name, or "" with *error set.
std::string WriteTemporary(const FileContent& file, std::string* error) {
    std::string tmp = file.path + ".tmp-XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        *error = Failure("не удалось создать файл", file.path, errno);
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
    // A file created by mkstemp is private (0600); give it the permissions of an ordinary new file.
    if (err == 0) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) {
        ::unlink(tmp.c_str());
        *error = Failure("не удалось записать файл", file.path, err);
        return {};
    }
    return tmp;
}

} // namespace

std::string WriteFilesAtomically(const std::vector<FileContent>& files) {
    std::vector<std::string> temps;
    std::string error;
    for (const FileContent& f : files) {
        std::string tmp = WriteTemporary(f, &error);
        if (tmp.empty()) break;
        temps.push_back(std::move(tmp));
    }
    if (error.empty()) {
        for (std::size_t k = 0; k < files.size(); ++k) {
            if (std::rename(temps[k].c_str(), files[k].path.c_str()) != 0) {
                error = Failure("не удалось записать файл", files[k].path, errno);
                // The ones already renamed are complete new files; the rest are dropped.
                for (std::size_t r = k; r < temps.size(); ++r)
                    ::unlink(temps[r].c_str());
                return error;
            }
        }
        return {};
    }
    for (const std::string& t : temps)
        ::unlink(t.c_str());
    return error;
}

} // namespace korvel
