// The shell's recent documents on Windows.
#include "recent_documents.h"

#include <QDir>

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace orvanta::platform {
namespace {

class ShellRecentDocuments : public RecentDocuments {
 public:
  bool addOpened(const QString& path) override {
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    // The shell says nothing of how it went.
    SHAddToRecentDocs(SHARD_PATHW, native.c_str());
    return true;
  }
};

}  // namespace

std::unique_ptr<RecentDocuments> createSystemRecentDocuments() { return std::make_unique<ShellRecentDocuments>(); }

}  // namespace orvanta::platform
