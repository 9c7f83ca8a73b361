// MQO_TESTS_ASAN is defined when this program is built with AddressSanitizer,
// by clang (__has_feature) or gcc (__SANITIZE_ADDRESS__), so tests that need
// its allocator or leak checks can skip cleanly without it.
#ifndef MQO_TESTS_SUPPORT_ASAN_H
#define MQO_TESTS_SUPPORT_ASAN_H

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MQO_TESTS_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(MQO_TESTS_ASAN)
#define MQO_TESTS_ASAN 1
#endif

#endif  // MQO_TESTS_SUPPORT_ASAN_H
