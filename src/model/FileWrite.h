#pragma once

// Writing files so that a failure never leaves a half-written or mixed result behind, and saying why a
// write failed in the program's language.

#include <string>
#include <vector>

namespace korvel {

// The reason behind a failed system call, in Russian, followed by the system's own text in brackets,
// e.g. "на диске нет места (No space left on device)".
std::string SystemErrorText(int err);

struct FileContent {
    std::string path;
    std::string text;
};

// Writes every file to a temporary name beside it, and only when all of them have been written
// completely renames them into place. On a failure the temporaries are removed and the files that were
// there before stay as they were. Returns an empty string on success, else a message naming the file
// and the reason.
std::string WriteFilesAtomically(const std::vector<FileContent>& files);

} // namespace korvel
