// The rules of the places left out by default, over a given mount table.
#include "quiet_places.h"

#include <QDir>
#include <QSet>

#include <algorithm>

namespace orvanta::service {

namespace {

// Undoes the octal escapes of a mount table's fields ("\040" for a blank).
QByteArray unescaped(const QByteArray& field) {
  QByteArray out;
  out.reserve(field.size());
  for (qsizetype i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const QByteArray digits = field.mid(i + 1, 3);
      bool ok = true;
      for (const char c : digits) ok = ok && c >= '0' && c <= '7';
      if (ok) {
        out.append(static_cast<char>(digits.toInt(nullptr, 8)));
        i += 3;
        continue;
      }
    }
    out.append(field[i]);
  }
  return out;
}

bool isBelow(const QByteArray& path, const QByteArray& folder) {
  return path.size() > folder.size() && path.startsWith(folder) && path[folder.size()] == '/';
}

}  // namespace

std::vector<MountPoint> parseMountInfo(const QByteArray& text) {
  std::vector<MountPoint> mounts;
  for (const QByteArray& line : text.split('\n')) {
    const QList<QByteArray> fields = line.split(' ');
    // ID PARENT MAJOR:MINOR ROOT MOUNT-POINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPER-OPTIONS
    const qsizetype separator = fields.indexOf("-", 6);
    if (fields.size() < 7 || separator < 0 || separator + 1 >= fields.size()) continue;
    mounts.push_back({unescaped(fields[4]), unescaped(fields[separator + 1])});
  }
  return mounts;
}

bool isNetworkFileSystem(const QByteArray& type) {
  static const QSet<QByteArray> kNetwork{
      // Kernel clients.
      "nfs",
      "nfs4",
      "cifs",
      "smb3",
      "smbfs",
      "smb",
      "ncpfs",
      "ncp",
      "afs",
      "9p",
      "ceph",
      "glusterfs",
      "lustre",
      "coda",
      "davfs",
      "orangefs",
      "pvfs2",
      "beegfs",
      "gpfs",
      "afpfs",
      "sshfs",
      "rclone",
      // FUSE clients.
      "fuse.sshfs",
      "fuse.rclone",
      "fuse.glusterfs",
      "fuse.ceph-fuse",
      "fuse.ceph",
      "fuse.cephfs",
      "fuse.s3fs",
      "fuse.gcsfuse",
      "fuse.goofys",
      "fuse.blobfuse",
      "fuse.blobfuse2",
      "fuse.davfs2",
      "fuse.davfs",
      "fuse.curlftpfs",
      "fuse.gvfsd-fuse",
      "fuse.smbnetfs",
      "fuse.httpdirfs",
      "fuse.juicefs",
      "fuse.afpfs",
      "fuse.lizardfs",
      "fuse.mfs",
      "fuse.moosefs",
      "fuse.seaweedfs",
      "fuse.onedriver",
      "fuse.google-drive-ocamlfuse",
      "fuse.kio-fuse",
      "fuse.mount.davfs",
      "fuse.s3backer",
      "fuse.cvmfs",
      "fuse.sftpfs",
      "fuse.wdfs",
  };
  return kNetwork.contains(type);
}

QString defaultUserTrash() {
  const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
  return QDir::cleanPath((dataHome.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : dataHome) +
                         QStringLiteral("/Trash"));
}

QuietPlaces::QuietPlaces(const QByteArray& userTrash, const QByteArray& userId)
    : userTrash_(userTrash), userId_(userId) {
  setMounts({});
}

void QuietPlaces::addTrashAt(const QByteArray& top) {
  if (userId_.isEmpty()) return;
  const QByteArray prefix = top.endsWith('/') ? top : top + '/';
  places_.insert(prefix + ".Trash-" + userId_, QStringLiteral("the Trash"));
  places_.insert(prefix + ".Trash/" + userId_, QStringLiteral("the Trash"));
}

void QuietPlaces::setMounts(const std::vector<MountPoint>& mounts) {
  places_.clear();
  quietMounts_.clear();
  otherMounts_.clear();
  if (!userTrash_.isEmpty()) places_.insert(userTrash_, QStringLiteral("the Trash"));
  addTrashAt("/");
  for (const MountPoint& mount : mounts) {
    if (isNetworkFileSystem(mount.type)) {
      places_.insert(mount.path, QStringLiteral("a network file system (%1)").arg(QString::fromUtf8(mount.type)));
      quietMounts_.push_back(mount.path);
    } else if (isBelow(mount.path, "/media") || isBelow(mount.path, "/run/media")) {
      places_.insert(mount.path, QStringLiteral("removable media"));
      quietMounts_.push_back(mount.path);
    } else {
      addTrashAt(mount.path);
      otherMounts_.push_back(mount.path);
    }
  }
}

QString QuietPlaces::reason(const QByteArray& path) const { return places_.value(path); }

bool QuietPlaces::isOnQuietMount(const QByteArray& path) const {
  // The mount holding `path` is the one with the longest mount point at or
  // above it.
  const auto holds = [&](const QByteArray& mount) { return path == mount || isBelow(path, mount) || mount == "/"; };
  qsizetype quiet = -1;
  for (const QByteArray& mount : quietMounts_) {
    if (holds(mount)) quiet = std::max(quiet, mount.size());
  }
  if (quiet < 0) return false;
  for (const QByteArray& mount : otherMounts_) {
    if (holds(mount) && mount.size() > quiet) return false;
  }
  return true;
}

}  // namespace orvanta::service
