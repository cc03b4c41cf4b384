// Sorting one hit into the category lists by its extension and by what
// exists on disk, and the extension list format the whole program uses.
#pragma once

#include "category_lists.h"
#include "platform/file_system.h"
#include "settings/reg_keys.h"

#include <QString>

namespace orvanta::search {

// The results window's extension lists, each in the form "|exe|msi|",
// under the names of the settings they are read from.
struct ExtensionLists {
  QString Extensions_Widgets;
  QString Extensions_Applications;
  QString Extensions_Audio;
  QString Extensions_Documents;
  QString Extensions_Images;
  QString Extensions_Video;
  QString Extensions_PDFs;
  // The desktop's own application files, Applications as well as those of
  // `Extensions_Applications` (not a setting).
  QString desktopApplications;
};

// The lists as the results window's load reads them: Applications fixed,
// the others from their settings, each taking and storing its default when
// the stored text calls for it. desktopApplications stays empty.
ExtensionLists loadExtensionLists(const settings::RegKeys& regKeys);

// The lists a first run stores.
ExtensionLists defaultExtensionLists();

// Whether `list` holds `extension` between two bars, letter case ignored.
bool listContains(const QString& list, const QString& extension);

// Tests `hit` against all eight categories in order and appends it to each
// one it qualifies for. The first hit to enter any list also becomes the
// Top Hit label (file name as caption, full path as tool tip) while the
// label is empty. One status query of the path serves all the tests.
void classifyHit(const QString& hit, const ExtensionLists& extensions, const platform::FileSystem& fileSystem,
                 CategoryLists& lists, TopHitLabel& topHit);

}  // namespace orvanta::search
