// The places the service keeps out of the index unless a root names them:
// the Trash, mounts of network file systems and removable media. Files in
// the Trash were thrown away; a network share is slow, may go dead (a walk
// would hang on it) and is often indexed by its own server; removable
// media come and go. Each is told by its path alone, from the mount table
// and the user's Trash folder, so the decision never touches the place
// itself.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <vector>

namespace orvanta::service {

struct MountPoint {
  QByteArray path;  // where it is mounted
  QByteArray type;  // its file system type ("ext4", "nfs4", "fuse.sshfs", ...)
};

// The mounts of a mount table in the form of /proc/self/mountinfo (the
// mount point's blanks, tabs, newlines and backslashes written as octal
// escapes).
std::vector<MountPoint> parseMountInfo(const QByteArray& text);

// Whether `type` is a network file system: NFS, SMB/CIFS, SSHFS and other
// network file systems, those in FUSE included.
bool isNetworkFileSystem(const QByteArray& type);

// This process's mount table; empty where the system has none to read.
std::vector<MountPoint> readMountTable();
// The user's id as the names of the Trash folders at a mount's top hold it
// ("1000" in ".Trash-1000"); empty where the system has no such ids.
QByteArray trashUserId();
// The user's Trash: $XDG_DATA_HOME/Trash.
QString defaultUserTrash();

class QuietPlaces {
 public:
  // `userTrash`: the user's Trash folder; `userId`: the id in the names of
  // the Trash folders at a mount's top (none when empty).
  QuietPlaces(const QByteArray& userTrash, const QByteArray& userId);
  // Takes the mounts of the mount table.
  void setMounts(const std::vector<MountPoint>& mounts);
  // Why the folder at `path` is left out ("the Trash", "a network file
  // system (nfs4)", "removable media"); empty when it is indexed.
  QString reason(const QByteArray& path) const;
  // Whether `path` lies on a network file system or removable media (the
  // mount holding it is one).
  bool isOnQuietMount(const QByteArray& path) const;

 private:
  void addTrashAt(const QByteArray& top);

  QByteArray userTrash_;
  QByteArray userId_;
  QHash<QByteArray, QString> places_;
  std::vector<QByteArray> quietMounts_;
  std::vector<QByteArray> otherMounts_;
};

}  // namespace orvanta::service
