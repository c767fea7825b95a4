// The seam that fetches and reads the update feed.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/Result.h"
#include "update/Appcast.h"

namespace vantrel {

class FeedReader {
  public:
    using Completion = std::function<void(Result<std::vector<AppcastItem>> items)>;
    virtual ~FeedReader() = default;
    // Fetches the feed at `url` and reads its items. `done` runs exactly once, later, on the
    // main thread, with the items or the reason there are none (in words a user can read);
    // never when the reader is destroyed first.
    virtual void read(const std::string& url, Completion done) = 0;
};

}  // namespace vantrel
