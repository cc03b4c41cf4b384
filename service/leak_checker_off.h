// Included by the one source of a program that confines itself: the leak
// checker runs at exit and needs to trace the process and read its /proc
// entries, which the confinement forbids, so sanitizer builds leave it off
// there (the extraction code's leaks are checked in the tests' own
// processes, which call it directly); the address checks stay on.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define ORVANTA_LEAK_CHECKER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANTA_LEAK_CHECKER 1
#endif
#endif
#ifdef ORVANTA_LEAK_CHECKER
extern "C" int __lsan_is_turned_off() { return 1; }
#endif
