#pragma once

// Switching the C library to a Russian locale (decimal comma) for tests of files that must not
// depend on it. Where the machine lacks the locale it is compiled into a private folder with
// localedef and found through LOCPATH.

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace korvel::test_locale {

constexpr const char* kRussian = "ru_RU.UTF-8";

// Makes ru_RU.UTF-8 available to setlocale in this process and in the processes it starts. Returns
// an empty string on success, else why it cannot be had.
inline std::string EnsureRussianLocale() {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, kRussian)) {
        std::setlocale(LC_ALL, saved.c_str());
        return {};
    }
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "korvel-test-locales";
    std::filesystem::create_directories(dir);
    const std::string out = (dir / kRussian).string();
    if (!std::filesystem::exists(out)) {
        const std::string cmd = "localedef -i ru_RU -f UTF-8 '" + out + "' >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0 && !std::filesystem::exists(out))
            return "localedef could not build ru_RU.UTF-8 (is the locales package installed?)";
    }
    ::setenv("LOCPATH", dir.c_str(), 1);
    if (!std::setlocale(LC_ALL, kRussian)) return "ru_RU.UTF-8 was built but setlocale refuses it";
    std::setlocale(LC_ALL, saved.c_str());
    return {};
}

// The C library's decimal separator in the current locale.
inline char DecimalPoint() {
    return *std::localeconv()->decimal_point;
}

} // namespace korvel::test_locale
