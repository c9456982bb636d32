// The plain text model's units for each encoding the server speaks: the
// server's tests and the document fuzzer both count positions through this
// one map.
#ifndef RORIRER_LSP_TESTS_MODELUNITS_H
#define RORIRER_LSP_TESTS_MODELUNITS_H

#include "TextModel.h"
#include "lsp/PositionEncoding.h"

namespace rorirer::lsp {

inline TextUnits modelUnits(PositionEncoding encoding) {
    switch (encoding) {
        case PositionEncoding::kUtf8:
            return TextUnits::kUtf8;
        case PositionEncoding::kUtf32:
            return TextUnits::kUtf32;
        case PositionEncoding::kUtf16:
            break;
    }
    return TextUnits::kUtf16;
}

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_TESTS_MODELUNITS_H
