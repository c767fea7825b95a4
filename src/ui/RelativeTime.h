// How long ago a date was, in abbreviated units ("5 min. ago", "in 2 hr.").
#pragma once

#include <QString>

#include "base/Time.h"

namespace vantrel {

QString relativeTimeText(Date date, Date now);

}  // namespace vantrel
