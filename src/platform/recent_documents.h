// The desktop's list of recently used files: each hit the program opens is
// added to it, as desktop programs add the files they open, so that the
// desktop's own "Recent" views show it and the search service can rank it
// higher next time.
#pragma once

#include <QString>

#include <memory>

namespace orvanta::platform {

class RecentDocuments {
 public:
  virtual ~RecentDocuments() = default;

  // Adds the file or folder `path`, just opened, to the list (again: a
  // path already there counts one more open). False when the list could
  // not be written.
  virtual bool addOpened(const QString& path) = 0;
};

// The list of this system: `$XDG_DATA_HOME/recently-used.xbel` through
// GLib's bookmark file, as GTK programs keep it; the shell's recent
// documents on Windows.
std::unique_ptr<RecentDocuments> createSystemRecentDocuments();

}  // namespace orvanta::platform
