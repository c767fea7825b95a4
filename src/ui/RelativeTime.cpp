// The largest whole unit that fits, as the desktop's date formatters phrase it in English.
#include "ui/RelativeTime.h"

#include <array>
#include <chrono>
#include <cstdint>

namespace vantrel {

QString relativeTimeText(Date date, Date now) {
    using std::chrono::duration_cast;
    using std::chrono::seconds;
    const std::int64_t delta = duration_cast<seconds>(now - date).count();
    const bool past = delta >= 0;
    const std::int64_t magnitude = past ? delta : -delta;
    struct Unit {
        std::int64_t seconds;
        const char* name;
    };
    constexpr std::array<Unit, 7> kUnits{{{365 * 86400, "yr."},
                                          {30 * 86400, "mo."},
                                          {7 * 86400, "wk."},
                                          {86400, "day"},
                                          {3600, "hr."},
                                          {60, "min."},
                                          {1, "sec."}}};
    QString amount = QStringLiteral("0 sec.");
    for (const auto& unit : kUnits) {
        if (magnitude < unit.seconds) continue;
        const std::int64_t count = magnitude / unit.seconds;
        QString name = QString::fromLatin1(unit.name);
        if (name == QLatin1String("day") && count != 1) name = QStringLiteral("days");
        amount = QStringLiteral("%1 %2").arg(count).arg(name);
        break;
    }
    return past ? amount + QStringLiteral(" ago") : QStringLiteral("in ") + amount;
}

}  // namespace vantrel
