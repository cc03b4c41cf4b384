// What the extraction helper needs of the system: limits on its own
// resources, and a confinement that leaves it able to parse the bytes it
// is handed and to answer, and little else.
#pragma once

namespace orvanta::service {

// Caps the helper's address space, its processor time and core files
// where the system can, so a hostile document ends the helper, never the
// machine's memory; closes every inherited descriptor but the standard
// streams, and sets those to carry bytes unchanged.
void limitHelperResources();

// Gives the next document its own share of processor time: the helper is
// ended when that document takes more.
void limitTimeForNextDocument();

// What confineHelper() put in force.
struct Confinement {
  bool noNewPrivileges = false;   // no program it starts can gain rights
  bool systemCallFilter = false;  // no network, no programs, no writes, no other processes
  int fileSystemRules = 0;        // the kernel's file system rules (ABI version), 0 where it has none
};

// Confines the helper for good, once its libraries are loaded: no network,
// no new privileges, no program started, no file written, read access to
// the PDF library's encoding data only. Where the kernel lacks file system
// rules the system call filter still applies. Nothing where the system
// offers none of this.
Confinement confineHelper();

}  // namespace orvanta::service
