// The extraction helper's confinement on Linux, put in force once its
// libraries are loaded and warm. Three layers, each standing alone:
// no new privileges; the kernel's file system rules (Landlock: read access
// beneath the PDF library's encoding data only and, where the kernel knows
// them, no TCP, no signals and no abstract sockets out of the helper); and
// a system call filter (seccomp, through libseccomp) that refuses sockets,
// programs, new processes, other processes, writes to the file system,
// namespaces and the kernel's riskier interfaces whatever the kernel's
// file system rules are.
#include "extract_io.h"

#include <linux/landlock.h>
#include <seccomp.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace orvanta::service {

namespace {

// The ruleset attribute grew with the kernel's versions of the interface;
// fields and rights newer than the system's header are written out here.
struct RulesetAttr {
  __u64 handledAccessFs;
  __u64 handledAccessNet;  // version 4
  __u64 scoped;            // version 6
};
constexpr __u64 kFsTruncate = 1ULL << 14;          // version 3
constexpr __u64 kFsIoctlDevice = 1ULL << 15;       // version 5
constexpr __u64 kNetBindTcp = 1ULL << 0;           // version 4
constexpr __u64 kNetConnectTcp = 1ULL << 1;        // version 4
constexpr __u64 kScopeAbstractSocket = 1ULL << 0;  // version 6
constexpr __u64 kScopeSignal = 1ULL << 1;          // version 6

// The PDF library reads its encoding tables (glyph names, CMaps) afresh
// for each document.
constexpr const char* kReadableFolders[] = {"/usr/share/poppler"};

// The version of the kernel's file system rules in force after the call,
// 0 where the kernel has none (ENOSYS) or they are turned off (EOPNOTSUPP).
int restrictFileSystem() {
  const long version = syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
  if (version <= 0) return 0;
  RulesetAttr attr{};
  size_t size = sizeof(__u64);
  attr.handledAccessFs = (LANDLOCK_ACCESS_FS_MAKE_SYM << 1) - 1;  // every right of version 1
  if (version >= 2) attr.handledAccessFs |= LANDLOCK_ACCESS_FS_REFER;
  if (version >= 3) attr.handledAccessFs |= kFsTruncate;
  if (version >= 4) {
    attr.handledAccessNet = kNetBindTcp | kNetConnectTcp;
    size = 2 * sizeof(__u64);
  }
  if (version >= 5) attr.handledAccessFs |= kFsIoctlDevice;
  if (version >= 6) {
    attr.scoped = kScopeAbstractSocket | kScopeSignal;
    size = sizeof(attr);
  }
  const int ruleset = static_cast<int>(syscall(SYS_landlock_create_ruleset, &attr, size, 0));
  if (ruleset < 0) return 0;
  for (const char* folder : kReadableFolders) {
    const int fd = ::open(folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) continue;
    landlock_path_beneath_attr beneath{};
    beneath.allowed_access = LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;
    beneath.parent_fd = fd;
    syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &beneath, 0);
    ::close(fd);
  }
  const bool restricted = syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
  ::close(ruleset);
  return restricted ? static_cast<int>(version) : 0;
}

bool filterSystemCalls() {
  scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
  if (!filter) return false;
  bool ok = seccomp_attr_set(filter, SCMP_FLTATR_CTL_NNP, 1) == 0;
  const auto refuse = [&](int error, int call, std::initializer_list<scmp_arg_cmp> args = {}) {
    ok = ok && seccomp_rule_add_array(filter, SCMP_ACT_ERRNO(static_cast<uint32_t>(error)), call,
                                      static_cast<unsigned>(args.size()), args.begin()) == 0;
  };
  const auto self = static_cast<scmp_datum_t>(static_cast<uint32_t>(::getpid()));

  // The network, and sockets of any kind.
  for (int call : {SCMP_SYS(socket), SCMP_SYS(socketpair), SCMP_SYS(connect), SCMP_SYS(bind), SCMP_SYS(listen),
                   SCMP_SYS(accept), SCMP_SYS(accept4)}) {
    refuse(EACCES, call);
  }
  // Programs and new processes (threads stay possible).
  for (int call : {SCMP_SYS(execve), SCMP_SYS(execveat), SCMP_SYS(fork), SCMP_SYS(vfork)}) refuse(EPERM, call);
  refuse(EPERM, SCMP_SYS(clone), {SCMP_A0_64(SCMP_CMP_MASKED_EQ, CLONE_THREAD, 0)});
  refuse(ENOSYS, SCMP_SYS(clone3));  // its flags lie in memory; the C library falls back to clone
  // Other processes: no tracing, no reading their memory, no signals and
  // no limits set for them.
  for (int call : {SCMP_SYS(ptrace), SCMP_SYS(process_vm_readv), SCMP_SYS(process_vm_writev), SCMP_SYS(kcmp),
                   SCMP_SYS(pidfd_open), SCMP_SYS(pidfd_getfd), SCMP_SYS(pidfd_send_signal), SCMP_SYS(tkill)}) {
    refuse(EPERM, call);
  }
  for (int call : {SCMP_SYS(kill), SCMP_SYS(tgkill), SCMP_SYS(rt_sigqueueinfo), SCMP_SYS(rt_tgsigqueueinfo)}) {
    refuse(EPERM, call, {SCMP_A0_32(SCMP_CMP_NE, self)});
  }
  refuse(EPERM, SCMP_SYS(prlimit64), {SCMP_A0_32(SCMP_CMP_NE, 0)});
  // Writes to the file system: no file opened for writing or made, nothing
  // removed, renamed, linked or changed.
  for (const auto flag : {O_WRONLY, O_RDWR, O_CREAT, O_TRUNC}) {
    const auto bit = static_cast<scmp_datum_t>(flag);
    refuse(EACCES, SCMP_SYS(open), {SCMP_A1_32(SCMP_CMP_MASKED_EQ, bit, bit)});
    refuse(EACCES, SCMP_SYS(openat), {SCMP_A2_32(SCMP_CMP_MASKED_EQ, bit, bit)});
  }
  refuse(ENOSYS, SCMP_SYS(openat2));  // its flags lie in memory; the C library falls back to openat
  for (int call : {SCMP_SYS(creat),
                   SCMP_SYS(unlink),
                   SCMP_SYS(unlinkat),
                   SCMP_SYS(rename),
                   SCMP_SYS(renameat),
                   SCMP_SYS(renameat2),
                   SCMP_SYS(mkdir),
                   SCMP_SYS(mkdirat),
                   SCMP_SYS(rmdir),
                   SCMP_SYS(link),
                   SCMP_SYS(linkat),
                   SCMP_SYS(symlink),
                   SCMP_SYS(symlinkat),
                   SCMP_SYS(mknod),
                   SCMP_SYS(mknodat),
                   SCMP_SYS(chmod),
                   SCMP_SYS(fchmod),
                   SCMP_SYS(fchmodat),
                   SCMP_SYS(chown),
                   SCMP_SYS(fchown),
                   SCMP_SYS(lchown),
                   SCMP_SYS(fchownat),
                   SCMP_SYS(truncate),
                   SCMP_SYS(utime),
                   SCMP_SYS(utimes),
                   SCMP_SYS(utimensat),
                   SCMP_SYS(futimesat),
                   SCMP_SYS(setxattr),
                   SCMP_SYS(lsetxattr),
                   SCMP_SYS(fsetxattr),
                   SCMP_SYS(removexattr),
                   SCMP_SYS(lremovexattr),
                   SCMP_SYS(fremovexattr),
                   SCMP_SYS(name_to_handle_at),
                   SCMP_SYS(open_by_handle_at),
                   SCMP_SYS(mount),
                   SCMP_SYS(umount2),
                   SCMP_SYS(pivot_root),
                   SCMP_SYS(chroot)}) {
    refuse(EACCES, call);
  }
  // Namespaces and the kernel's riskier interfaces; typing into a terminal.
  for (int call : {SCMP_SYS(unshare), SCMP_SYS(setns), SCMP_SYS(bpf), SCMP_SYS(perf_event_open), SCMP_SYS(userfaultfd),
                   SCMP_SYS(keyctl), SCMP_SYS(add_key), SCMP_SYS(request_key), SCMP_SYS(io_uring_setup),
                   SCMP_SYS(io_uring_enter), SCMP_SYS(io_uring_register)}) {
    refuse(EPERM, call);
  }
  refuse(EPERM, SCMP_SYS(ioctl), {SCMP_A1_32(SCMP_CMP_EQ, TIOCSTI)});

  ok = ok && seccomp_load(filter) == 0;
  seccomp_release(filter);
  return ok;
}

}  // namespace

Confinement confineHelper() {
  Confinement confinement;
  // Only the standard streams are kept: the pipes to the service and the
  // error output.
  syscall(SYS_close_range, 3U, ~0U, 0U);
  confinement.noNewPrivileges = prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
  if (confinement.noNewPrivileges) confinement.fileSystemRules = restrictFileSystem();
  confinement.systemCallFilter = filterSystemCalls();
  return confinement;
}

}  // namespace orvanta::service
