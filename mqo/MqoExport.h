// MqoModel: MQO_API marks what the library exports; everything else in it is
// built with hidden visibility and stays out of a shared library's symbol
// table. Included by the public headers; include mqo/MqoModel.h, not this.
// - GCC and Clang: default visibility, for the shared library and the static
//   one alike (a program linking the static library sees no difference).
// - Windows: MQO_BUILDING (set while the library compiles) exports, a user
//   of the DLL imports, and MQO_STATIC (set by the static library's package)
//   leaves the mark empty, as a static library needs.
#ifndef MQO_MQOEXPORT_H
#define MQO_MQOEXPORT_H

#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(MQO_STATIC)
#define MQO_API
#elif defined(MQO_BUILDING)
#define MQO_API __declspec(dllexport)
#else
#define MQO_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define MQO_API __attribute__((visibility("default")))
#else
#define MQO_API
#endif

#endif  // MQO_MQOEXPORT_H
