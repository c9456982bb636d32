// The library's version: the numbers of the Windows version resource and of
// the shared library's file name. CMake refuses to configure when the
// project's version disagrees with these, so they stay the one source.
// Plain preprocessor text: the resource compiler reads this file too.
#ifndef RORIRER_MODULE_VERSION_H
#define RORIRER_MODULE_VERSION_H

#define RORIRER_VERSION_MAJOR 3
#define RORIRER_VERSION_MINOR 0
#define RORIRER_VERSION_PATCH 0
#define RORIRER_VERSION_BUILD 183
#define RORIRER_VERSION_STRING "3.0.0.183"

#endif  // RORIRER_MODULE_VERSION_H
