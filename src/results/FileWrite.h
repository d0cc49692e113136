#pragma once

// Writing files so that a failure never leaves a half-written or mixed result behind, and saying why a
// write failed in the program's language.

#include <string>
#include <vector>

namespace korvel {

// The reason behind a failed system call, in Russian, followed by the system's own text in brackets,
// e.g. "на диске нет места (No space left on device)". ENOENT is worded for the usual case of a
// new file whose folder is missing; when a path is opened as it is, say so with `pathAsGiven`.
std::string SystemErrorText(int err, bool pathAsGiven = false);

// Reads a whole file of at most maxBytes into `text`. False with a Russian message, without the file's
// name, when it cannot be opened or read ("не удалось открыть: ...") or is larger (then `tooLarge`).
bool ReadWholeFile(const std::string& path, std::size_t maxBytes, const std::string& tooLarge,
                   std::string& text, std::string& error);

// Writes one file as WriteFileAtomically does. False with a Russian message, without the file's name,
// when the path is a folder or the write failed.
bool WriteWholeFile(const std::string& path, const std::string& text, std::string& error);

struct FileContent {
    std::string path;
    std::string text;
};

// Where a write to a path goes. A symbolic link is followed to its final target, which is then
// replaced in its own folder (the link stays a link). A target that exists and is not a regular file
// (a device, a FIFO, a socket) is written directly, without a temporary file, and so is whatever a link
// of /proc (such as /dev/stdout) leads to; such a link to a regular file is added to at its end. err is
// the error number when no write can go there (EISDIR for a folder, ELOOP for a circle of links).
struct OutputTarget {
    std::string path;    // the path to replace or to write directly
    bool direct = false; // write into the target as it is, no temporary file
    bool append = false; // when direct: add at the end
    int err = 0;
};
OutputTarget ResolveOutputTarget(const std::string& path);

// Whether a write to path could start: 0, or the error number (a temporary file is created beside the
// final target and removed at once; a direct target must be writable).
int CheckOutputWritable(const std::string& path);

// Writes every file to a temporary name beside it, and only when all of them have been written
// completely renames them into place. On a failure the temporaries are removed and the files that were
// there before stay as they were. A file that is replaced keeps its permissions; a new one gets those of
// an ordinary new file. Targets that are not regular files are written directly after every temporary
// file is complete (see ResolveOutputTarget); nothing that is not a regular file is renamed over.
// Temporary files are removed on a failure and when SIGINT, SIGTERM or SIGHUP ends the program (for
// the signals left at their default action). Returns an empty string on success, else a message naming
// the file and the reason.
std::string WriteFilesAtomically(const std::vector<FileContent>& files);

// Writes one file the same way. Returns 0 on success, else the system's error number.
int WriteFileAtomicallyErrno(const std::string& path, const std::string& text);

// Writes one file the same way. Returns an empty string on success, else a message naming the file and
// the reason.
std::string WriteFileAtomically(const std::string& path, const std::string& text);

} // namespace korvel
