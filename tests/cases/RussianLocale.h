#pragma once

// Switches the C library to the Russian locale (decimal comma), generating it into a temporary folder
// with localedef where the system has not installed it. Returns false when neither works.

#include <clocale>
#include <cstdlib>
#include <string>

namespace korvel::test_locale {

inline bool UseRussianCLocale() {
    if (std::setlocale(LC_ALL, "ru_RU.UTF-8")) return true;
    char dir[] = "/tmp/korvel-locale-XXXXXX";
    if (!::mkdtemp(dir)) return false;
    const std::string cmd =
        std::string("localedef -i ru_RU -f UTF-8 ") + dir + "/ru_RU.UTF-8 >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return false;
    ::setenv("LOCPATH", dir, 1);
    return std::setlocale(LC_ALL, "ru_RU.UTF-8") != nullptr;
}

// Puts the C locale back when it goes out of scope.
struct ClassicLocaleAtExit {
    ~ClassicLocaleAtExit() { std::setlocale(LC_ALL, "C"); }
};

} // namespace korvel::test_locale
