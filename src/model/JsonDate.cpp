// Dates in layout files: RFC 3339 text to time points and back.
#include "model/JsonDate.h"

#include <chrono>
#include <cstdio>

namespace vantrel {
namespace {

bool readDigits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

}  // namespace

std::string formatDate(Date date) {
    using namespace std::chrono;
    const auto time = floor<seconds>(date);
    const auto day = floor<days>(time);
    const year_month_day calendar{day};
    const hh_mm_ss clock{time - day};
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(calendar.year()), static_cast<unsigned>(calendar.month()),
                  static_cast<unsigned>(calendar.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return buffer;
}

std::optional<Date> parseDate(std::string_view text) {
    using namespace std::chrono;
    int yearValue = 0, monthValue = 0, dayValue = 0, hour = 0, minute = 0, second = 0;
    if (!readDigits(text, 0, 4, yearValue) || text.size() < 20 || text[4] != '-' ||
        !readDigits(text, 5, 2, monthValue) || text[7] != '-' ||
        !readDigits(text, 8, 2, dayValue) || (text[10] != 'T' && text[10] != 't') ||
        !readDigits(text, 11, 2, hour) || text[13] != ':' || !readDigits(text, 14, 2, minute) ||
        text[16] != ':' || !readDigits(text, 17, 2, second))
        return std::nullopt;
    std::size_t p = 19;
    if (p < text.size() && text[p] == '.') {
        const std::size_t digits = ++p;
        while (p < text.size() && text[p] >= '0' && text[p] <= '9') ++p;
        if (p == digits) return std::nullopt;
    }
    int offsetMinutes = 0;
    if (p < text.size() && (text[p] == 'Z' || text[p] == 'z')) {
        ++p;
    } else if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
        int offsetHours = 0;
        int offsetMinute = 0;
        if (!readDigits(text, p + 1, 2, offsetHours) || p + 3 >= text.size() ||
            text[p + 3] != ':' || !readDigits(text, p + 4, 2, offsetMinute) || offsetHours > 23 ||
            offsetMinute > 59)
            return std::nullopt;
        offsetMinutes = (offsetHours * 60 + offsetMinute) * (text[p] == '-' ? -1 : 1);
        p += 6;
    } else {
        return std::nullopt;
    }
    if (p != text.size()) return std::nullopt;
    const year_month_day calendar{year{yearValue}, month{static_cast<unsigned>(monthValue)},
                                  day{static_cast<unsigned>(dayValue)}};
    // Second 60 is a leap second; without leap seconds it is the first second of the next minute.
    if (!calendar.ok() || hour > 23 || minute > 59 || second > 60) return std::nullopt;
    const seconds utc = sys_days{calendar}.time_since_epoch() + hours{hour} + minutes{minute} +
                        seconds{second} - minutes{offsetMinutes};
    if (utc < duration_cast<seconds>(Duration::min()) ||
        utc > duration_cast<seconds>(Duration::max()))
        return std::nullopt;
    return Date{duration_cast<Duration>(utc)};
}

}  // namespace vantrel
