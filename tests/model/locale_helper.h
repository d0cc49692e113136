#pragma once

// Switching the C library to a Russian locale (decimal comma) for tests of files that must not
// depend on it. Where the machine lacks the locale it is compiled into a private folder with
// localedef and found through LOCPATH.

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

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
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "korvel-test-locales";
    fs::create_directories(dir);
    const fs::path out = dir / kRussian;
    if (!fs::exists(out)) {
        // Built beside it and renamed into place, so that tests running at the same time never see a
        // half-built locale.
        const fs::path building = dir / ("building-" + std::to_string(::getpid()));
        fs::create_directories(building);
        const std::string cmd =
            "localedef -i ru_RU -f UTF-8 '" + (building / kRussian).string() + "' >/dev/null 2>&1";
        const int rc = std::system(cmd.c_str());
        std::error_code ec;
        if (fs::exists(building / kRussian)) fs::rename(building / kRussian, out, ec);
        fs::remove_all(building, ec);
        if (!fs::exists(out))
            return "localedef could not build ru_RU.UTF-8 (rc " + std::to_string(rc) +
                   "; is the locales package installed?)";
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
