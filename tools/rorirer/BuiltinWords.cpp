#include "BuiltinWords.h"

// The assembler copies the file into the object as it is, which costs no
// compile time at all, where a generated array of a million byte literals
// would take the compiler many seconds. RORIRER_BUILTIN_WORDS_PATH and
// RORIRER_BUILTIN_FREQUENCIES_PATH are set by the build to the files'
// absolute paths.
#ifndef RORIRER_BUILTIN_WORDS_PATH
#error "RORIRER_BUILTIN_WORDS_PATH must name the built-in word list"
#endif
#ifndef RORIRER_BUILTIN_FREQUENCIES_PATH
#error "RORIRER_BUILTIN_FREQUENCIES_PATH must name the built-in word frequencies"
#endif

#define RORIRER_STRINGIFY2(x) #x
#define RORIRER_STRINGIFY(x) RORIRER_STRINGIFY2(x)
#define RORIRER_SYMBOL(name) RORIRER_STRINGIFY(__USER_LABEL_PREFIX__) #name

#if defined(__ELF__)
#define RORIRER_SECTION_BEGIN ".pushsection .rodata\n"
#define RORIRER_SECTION_END ".popsection\n"
#elif defined(_WIN32)
#define RORIRER_SECTION_BEGIN ".section .rdata,\"dr\"\n"
#define RORIRER_SECTION_END ".text\n"
#else
#define RORIRER_SECTION_BEGIN ".const_data\n"
#define RORIRER_SECTION_END ".text\n"
#endif

// clang-format off
__asm__(RORIRER_SECTION_BEGIN
        ".balign 16\n"
        RORIRER_SYMBOL(rorirer_builtin_words_begin) ":\n"
        ".incbin \"" RORIRER_BUILTIN_WORDS_PATH "\"\n"
        RORIRER_SYMBOL(rorirer_builtin_words_end) ":\n"
        ".balign 16\n"
        RORIRER_SYMBOL(rorirer_builtin_frequencies_begin) ":\n"
        ".incbin \"" RORIRER_BUILTIN_FREQUENCIES_PATH "\"\n"
        RORIRER_SYMBOL(rorirer_builtin_frequencies_end) ":\n"
        RORIRER_SECTION_END);
// clang-format on

extern "C" const char rorirer_builtin_words_begin[];
extern "C" const char rorirer_builtin_words_end[];
extern "C" const char rorirer_builtin_frequencies_begin[];
extern "C" const char rorirer_builtin_frequencies_end[];

namespace rorirer {

BuiltinWords builtinWords() noexcept {
    return {rorirer_builtin_words_begin,
            static_cast<size_t>(rorirer_builtin_words_end - rorirer_builtin_words_begin)};
}

BuiltinWords builtinFrequencies() noexcept {
    return {
        rorirer_builtin_frequencies_begin,
        static_cast<size_t>(rorirer_builtin_frequencies_end - rorirer_builtin_frequencies_begin)};
}

}  // namespace rorirer
