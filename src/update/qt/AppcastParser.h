// Reads the update feed: an RSS document whose items describe releases.
//
//   <rss version="2.0" xmlns:vantrel="https://vantrel.app/xml-namespaces/appcast">
//     <channel>
//       <title>Vantrel</title>
//       <item>
//         <title>Vantrel 1.3</title>
//         <link>https://vantrel.app/download</link>                  (the download page)
//         <vantrel:version>1.3.0</vantrel:version>                   (compared with ours)
//         <vantrel:shortVersionString>1.3</vantrel:shortVersionString>  (shown; optional)
//         <vantrel:releaseNotesLink>https://vantrel.app/notes/1.3</vantrel:releaseNotesLink>
//       </item>
//     </channel>
//   </rss>
//
// Other elements are skipped. There is no enclosure: the program never downloads a release.
#pragma once

#include <QByteArrayView>
#include <vector>

#include "base/Result.h"
#include "update/Appcast.h"

namespace vantrel {

inline constexpr const char* kAppcastNamespace = "https://vantrel.app/xml-namespaces/appcast";
// Larger documents are refused before they are read: a real feed is a few kilobytes.
inline constexpr qsizetype kMaxFeedBytes = 1024 * 1024;

// The items in document order, or why the document is not a feed (a sentence for the user).
// Links that are not http(s) addresses are dropped, so nothing else is ever opened.
Result<std::vector<AppcastItem>> parseAppcast(QByteArrayView document);

}  // namespace vantrel
