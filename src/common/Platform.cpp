#include "common/Platform.h"

#include <pwd.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>

namespace ravo {

std::string defaultLogFolder() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = getpwuid(getuid());
        home = pw && pw->pw_dir ? pw->pw_dir : "/tmp";
    }
    std::string folder = home;
    if (folder.back() != '/') folder += '/';
    return folder + "logger/";
}

char localeDecimalSeparator() {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    std::setlocale(LC_NUMERIC, "");
    const char* point = std::localeconv()->decimal_point;
    const char separator = point && point[0] && !point[1] ? point[0] : '.';
    std::setlocale(LC_NUMERIC, saved.c_str());
    return separator;
}

}  // namespace ravo
