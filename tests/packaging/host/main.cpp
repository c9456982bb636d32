// A host built only from what `cmake --install` put under a prefix: the
// installed headers, found through the CMake package or pkg-config, and the
// installed library. Exits non-zero on the first answer that is wrong.
#include <cstring>

#include "Expect.h"
#include "module/Version.h"
#include "wordstore/LinkedTrie.h"

int main() {
    InitBinaryLinkedTrieDLL();

    LinkedTrie words;
    expect(words.insertString("hello"), "insert hello");
    expect(words.insertString("help me"), "insert help me");
    expect(words.insertString("helicopter"), "insert helicopter");
    expect(!words.insertString("hi"), "short word refused");
    expect(words.getWordCount() == 3, "word count");

    CString completion;
    expect(words.getLongestUnambiguousCompletion("hel", completion, false) &&
               std::strcmp(completion, "hel") == 0,
           "longest unambiguous completion of hel");
    expect(words.getUniqueCompletion("heli", completion, false) &&
               std::strcmp(completion, "helicopter") == 0,
           "unique completion of heli");

    CStringArray list;
    words.getPossibleCompletions("hel", list);
    const char* const expected[] = {"helicopter", "hello", "help me"};
    expect(list.GetSize() == 3, "three completions of hel");
    for (int i = 0; i < list.GetSize() && i < 3; ++i)
        expect(std::strcmp(list[i], expected[i]) == 0, "completion order");

    // Objects the host allocates itself, as arrays and through the base's
    // virtual destructor, use the library's constructors and vtable.
    LinkedTrie* many = new LinkedTrie[3];
    expect(many[2].insertString("world"), "insert into an array element");
    delete[] many;
    LinkedTrie copy(words);
    expect(copy.removeString("hello") && copy.getWordCount() == 2 && words.getWordCount() == 3,
           "copies are independent");

    expect(std::strcmp(RORIRER_VERSION_STRING, "3.0.0.183") == 0, "version header");
    return verdict("host");
}
