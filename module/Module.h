// The library's plain export for hosts that register extension modules with
// their application framework.
#ifndef RORIRER_MODULE_MODULE_H
#define RORIRER_MODULE_MODULE_H

#include "module/Export.h"

// Registers the library with the host's framework. This build carries no
// framework to register with, so the call does nothing; hosts written for
// the framework may still call it, any number of times.
extern "C" RORIRER_API void InitBinaryLinkedTrieDLL();

#endif  // RORIRER_MODULE_MODULE_H
