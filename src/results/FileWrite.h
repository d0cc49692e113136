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

struct FileContent {
    std::string path;
    std::string text;
};

// Writes every file to a temporary name beside it, and only when all of them have been written
// completely renames them into place. On a failure the temporaries are removed and the files that were
// there before stay as they were. A file that is replaced keeps its permissions; a new one gets those of
// an ordinary new file. Returns an empty string on success, else a message naming the file and the
// reason.
std::string WriteFilesAtomically(const std::vector<FileContent>& files);

// Writes one file the same way. Returns 0 on success, else the system's error number.
int WriteFileAtomicallyErrno(const std::string& path, const std::string& text);

// Writes one file the same way. Returns an empty string on success, else a message naming the file and
// the reason.
std::string WriteFileAtomically(const std::string& path, const std::string& text);

} // namespace korvel
