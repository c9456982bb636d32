// The string types the word store speaks in: CString and CStringArray.
#ifndef RORIRER_FRAMEWORK_FRAMEWORK_H
#define RORIRER_FRAMEWORK_FRAMEWORK_H

#include "framework/CString.h"
#include "framework/CStringArray.h"

#endif  // RORIRER_FRAMEWORK_FRAMEWORK_H
