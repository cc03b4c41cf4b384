// The places the service leaves out unless a root names them, as rules over
// a fake mount table and a fake Trash: network file systems, removable
// media and the Trash folders.
#include "quiet_places.h"

#include <gtest/gtest.h>

namespace orvanta::service {
namespace {

// Mounts as the kernel lists them, with optional fields and escaped blanks.
constexpr char kMountInfo[] =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "30 22 0:30 / /home/u/nas rw,relatime shared:5 master:2 - nfs4 server:/export rw,vers=4.2\n"
    "31 22 0:31 / /home/u/win\\040share rw - cifs //host/share rw\n"
    "32 22 0:32 / /home/u/remote rw,nosuid - fuse.sshfs u@host: rw\n"
    "33 22 0:33 / /home/u/cloud rw - fuse.rclone drive: rw\n"
    "34 22 0:34 / /mnt/vm rw - 9p hostshare rw\n"
    "35 22 0:35 / /srv/old rw - smbfs //nt/old rw\n"
    "36 22 8:17 / /media/u/USB\\040STICK rw - vfat /dev/sdb1 rw\n"
    "37 22 8:33 / /run/media/u/disk rw - exfat /dev/sdc1 rw\n"
    "38 22 8:2 / /data rw - ext4 /dev/sda2 rw\n"
    "39 22 0:39 / /media rw - tmpfs tmpfs rw\n"
    "40 22 0:40 / /home/u/pool rw - fuse.mergerfs a:b rw\n"
    "not a mount line\n";

TEST(QuietPlaces, MountTableIsReadWithItsEscapes) {
  const std::vector<MountPoint> mounts = parseMountInfo(kMountInfo);
  ASSERT_EQ(mounts.size(), 12u);
  EXPECT_EQ(mounts[1].path, "/home/u/nas");
  EXPECT_EQ(mounts[1].type, "nfs4");
  EXPECT_EQ(mounts[2].path, "/home/u/win share");
  EXPECT_EQ(mounts[7].path, "/media/u/USB STICK");
  EXPECT_EQ(mounts[11].type, "fuse.mergerfs");
}

TEST(QuietPlaces, NetworkFileSystemsByType) {
  for (const char* type : {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "fuse.rclone", "9p", "afs",
                           "ceph", "glusterfs", "fuse.glusterfs", "fuse.gvfsd-fuse", "fuse.s3fs", "davfs"}) {
    EXPECT_TRUE(isNetworkFileSystem(type)) << type;
  }
  for (const char* type :
       {"ext4", "btrfs", "xfs", "tmpfs", "vfat", "fuseblk", "fuse.mergerfs", "overlay", "fuse", "nfsd", "proc", ""}) {
    EXPECT_FALSE(isNetworkFileSystem(type)) << type;
  }
}

TEST(QuietPlaces, WhatIsLeftOutAndWhy) {
  QuietPlaces places("/home/u/.local/share/Trash", "1000");
  places.setMounts(parseMountInfo(kMountInfo));
  const QString trash = QStringLiteral("the Trash");
  const QString removable = QStringLiteral("removable media");
  const struct {
    const char* path;
    QString reason;  // empty: indexed
  } cases[] = {
      {"/home/u/nas", QStringLiteral("a network file system (nfs4)")},
      {"/home/u/win share", QStringLiteral("a network file system (cifs)")},
      {"/home/u/remote", QStringLiteral("a network file system (fuse.sshfs)")},
      {"/home/u/cloud", QStringLiteral("a network file system (fuse.rclone)")},
      {"/mnt/vm", QStringLiteral("a network file system (9p)")},
      {"/srv/old", QStringLiteral("a network file system (smbfs)")},
      // Below a share only its mount point is named: a root on the share
      // indexes what it holds.
      {"/home/u/nas/projects", {}},
      {"/home/u", {}},
      {"/home/u/pool", {}},  // a local FUSE file system
      {"/media/u/USB STICK", removable},
      {"/run/media/u/disk", removable},
      {"/media", {}},    // a mount of its own, not below /media
      {"/media/u", {}},  // a folder, not a mount
      {"/data", {}},
      // The user's Trash, and the Trash folders at each mount's top, of
      // this user only.
      {"/home/u/.local/share/Trash", trash},
      {"/home/u/.local/share/Trash/files", {}},
      {"/.Trash-1000", trash},
      {"/.Trash/1000", trash},
      {"/data/.Trash-1000", trash},
      {"/data/.Trash/1000", trash},
      {"/data/.Trash-1001", {}},
      {"/data/.Trash", {}},
      {"/data/sub/.Trash-1000", {}},  // not a mount's top
      {"/home/u/.Trash-1000", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(places.reason(c.path), c.reason) << c.path;

  // What lies on a share or removable media (a root there is walked after
  // the others, so that a dead share holds up only itself).
  const struct {
    const char* path;
    bool quiet;
  } onMounts[] = {
      {"/home/u/nas", true},
      {"/home/u/nas/projects/a", true},
      {"/home/u/nasty", false},
      {"/media/u/USB STICK/x", true},
      {"/run/media/u/disk", true},
      {"/media/u", false},
      {"/home/u/pool/x", false},
      {"/data/x", false},
      {"/", false},
  };
  for (const auto& c : onMounts) EXPECT_EQ(places.isOnQuietMount(c.path), c.quiet) << c.path;

  // Mounts come and go: a share unmounted is indexed again.
  places.setMounts(parseMountInfo("22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"));
  EXPECT_EQ(places.reason("/home/u/nas"), QString());
  EXPECT_EQ(places.reason("/home/u/.local/share/Trash"), trash);
  EXPECT_EQ(places.reason("/.Trash-1000"), trash);

  // Without a user id (Windows) the folders at a mount's top are not told.
  QuietPlaces withoutIds("C:/Users/u/Trash", {});
  EXPECT_EQ(withoutIds.reason("/.Trash-1000"), QString());
  EXPECT_EQ(withoutIds.reason("C:/Users/u/Trash"), trash);
}

}  // namespace
}  // namespace orvanta::service
