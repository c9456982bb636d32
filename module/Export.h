// The one export macro. The library is built with hidden visibility, so only
// what carries RORIRER_API is reachable from a host.
#ifndef RORIRER_MODULE_EXPORT_H
#define RORIRER_MODULE_EXPORT_H

#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(RORIRER_BUILDING)
#define RORIRER_API __declspec(dllexport)
#else
#define RORIRER_API __declspec(dllimport)
#endif
#else
#define RORIRER_API __attribute__((visibility("default")))
#endif

#endif  // RORIRER_MODULE_EXPORT_H
