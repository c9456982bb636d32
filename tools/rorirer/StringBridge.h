// The one crossing between the program's std::string and the store's
// CString. Both carry a length, so bytes after an embedded NUL cross too.
#ifndef RORIRER_TOOLS_STRINGBRIDGE_H
#define RORIRER_TOOLS_STRINGBRIDGE_H

#include <string>

#include "wordstore/LinkedTrie.h"

namespace rorirer {

inline CString toCString(const std::string& text) {
    return CString(text.data(), static_cast<int>(text.size()));
}

inline std::string toStdString(const CString& text) {
    return std::string(static_cast<const char*>(text), static_cast<size_t>(text.GetLength()));
}

}  // namespace rorirer

#endif  // RORIRER_TOOLS_STRINGBRIDGE_H
