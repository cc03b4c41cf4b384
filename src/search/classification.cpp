// The classification of one hit.
#include "classification.h"

#include "settings/settings_table.h"

namespace orvanta::search {

namespace {

// Each setting's list in the lists.
struct ListSetting {
  QStringView name;
  QString ExtensionLists::*list;
};
constexpr ListSetting kListSettings[] = {
    {u"Extensions_Audio", &ExtensionLists::Extensions_Audio},
    {u"Extensions_Documents", &ExtensionLists::Extensions_Documents},
    {u"Extensions_Images", &ExtensionLists::Extensions_Images},
    {u"Extensions_PDFs", &ExtensionLists::Extensions_PDFs},
    {u"Extensions_Video", &ExtensionLists::Extensions_Video},
    {u"Extensions_Widgets", &ExtensionLists::Extensions_Widgets},
};

}  // namespace

ExtensionLists loadExtensionLists(const settings::RegKeys& regKeys) {
  ExtensionLists lists;
  lists.Extensions_Applications = settings::kExtensionsApplications;
  for (const ListSetting& setting : kListSettings) lists.*setting.list = settings::loadText(regKeys, setting.name).value;
  return lists;
}

ExtensionLists defaultExtensionLists() {
  ExtensionLists lists;
  lists.Extensions_Applications = settings::kExtensionsApplications;
  for (const ListSetting& setting : kListSettings) lists.*setting.list = settings::fixedDefault(setting.name);
  return lists;
}

bool listContains(const QString& list, const QString& extension) {
  return list.toUpper().contains(u'|' + extension.toUpper() + u'|');
}

void classifyHit(const QString& hit, const ExtensionLists& extensions, const platform::FileSystem& fileSystem,
                 CategoryLists& lists, TopHitLabel& topHit) {
  using platform::PathKind;
  const QString extension = platform::FileSystem::GetExtensionName(hit).toUpper();
  const PathKind kind = fileSystem.kindOf(hit);
  const bool isFile = kind == PathKind::File;
  const auto inList = [&](const QString& list) { return listContains(list, extension); };

  const struct {
    Category category;
    bool holds;
  } tests[] = {
      {Category::Applications, isFile && (inList(extensions.Extensions_Applications) || inList(extensions.desktopApplications))},
      {Category::Audio, isFile && inList(extensions.Extensions_Audio)},
      {Category::Documents, isFile && inList(extensions.Extensions_Documents)},
      {Category::Folders, kind == PathKind::Folder},
      {Category::Images, inList(extensions.Extensions_Images)},
      {Category::PDFs, isFile && inList(extensions.Extensions_PDFs)},
      {Category::Video, isFile && inList(extensions.Extensions_Video)},
      {Category::Widgets, isFile && inList(extensions.Extensions_Widgets)},
  };
  for (const auto& test : tests) {
    if (!test.holds) continue;
    lists[test.category].append(hit);
    if (topHit.caption.isEmpty()) {
      topHit.caption = platform::FileSystem::GetFileName(hit);
      topHit.toolTip = hit;
    }
  }
}

}  // namespace orvanta::search
