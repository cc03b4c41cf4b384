// Tries, as a hostile document's code would, what the extraction helper
// must not do, after putting the helper's own confinement in force (or
// without it, given --unconfined, to show that each try works at all).
// Usage: orvanta_confinement_probe [--unconfined | --without-landlock]
// SECRET FOLDER PORT; --without-landlock plays a kernel that has no file
// system rules (every Landlock call answers ENOSYS).
// Prints one line per try: its name and "yes" when it worked, "no" when
// not; the last try starts a program, which prints "yes" in its place.
#include "extract_io.h"
#include "leak_checker_off.h"

#include <seccomp.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void report(const char* name, bool worked) {
  std::printf("%s %s\n", name, worked ? "yes" : "no");
  std::fflush(stdout);
}

bool readsFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[64];
  const bool read = ::read(fd, buffer, sizeof buffer) > 0;
  ::close(fd);
  return read;
}

bool listsFolder(const char* path) {
  DIR* folder = ::opendir(path);
  if (!folder) return false;
  ::closedir(folder);
  return true;
}

bool connectsTo(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

bool makesLocalSocket() {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool startsProcess() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  if (child < 0) return false;
  int status = 0;
  ::waitpid(child, &status, 0);
  return true;
}

void hideLandlock() {
  scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
  for (int call : {SCMP_SYS(landlock_create_ruleset), SCMP_SYS(landlock_add_rule), SCMP_SYS(landlock_restrict_self)}) {
    seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), call, 0);
  }
  seccomp_load(filter);
  seccomp_release(filter);
}

}  // namespace

int main(int argc, char** argv) {
  const bool unconfined = argc == 5 && std::strcmp(argv[1], "--unconfined") == 0;
  const bool withoutLandlock = argc == 5 && std::strcmp(argv[1], "--without-landlock") == 0;
  if (argc != (unconfined || withoutLandlock ? 5 : 4)) return 2;
  if (withoutLandlock) hideLandlock();
  const std::string secret = argv[argc - 3];
  const std::string folder = argv[argc - 2];
  const int port = std::atoi(argv[argc - 1]);
  if (!unconfined) {
    orvanta::service::limitHelperResources();
    const orvanta::service::Confinement confinement = orvanta::service::confineHelper();
    std::printf("confined %d %d %d\n", confinement.noNewPrivileges, confinement.systemCallFilter,
                confinement.fileSystemRules);
  }
  report("read-secret", readsFile(secret));
  report("list-folder", listsFolder(folder.c_str()));
  report("read-pdf-data", listsFolder("/usr/share/poppler"));
  const std::string made = folder + "/made.txt";
  const int written = ::open(made.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  report("write-file", written >= 0);
  if (written >= 0) ::close(written);
  report("remove-file", ::unlink((folder + "/victim.txt").c_str()) == 0);
  report("tcp-connect", connectsTo(port));
  report("local-socket", makesLocalSocket());
  report("new-process", startsProcess());
  report("signal-parent", ::kill(::getppid(), 0) == 0);
  rlimit limit{};
  report("parent-limits", ::prlimit(::getppid(), RLIMIT_CPU, nullptr, &limit) == 0);
  std::printf("start-program ");
  std::fflush(stdout);
  char echo[] = "/bin/echo";
  char yes[] = "yes";
  char* arguments[] = {echo, yes, nullptr};
  ::execv(echo, arguments);
  std::printf("no\n");
  return 0;
}
