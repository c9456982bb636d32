// A host of the completion layer built only from what `cmake --install` put
// under a prefix, through find_package(RorIrer 3) and RorIrer::Completion.
// Exits non-zero on the first answer that is wrong.
#include <string>
#include <vector>

#include "Expect.h"
#include "completion/CompletionStore.h"
#include "completion/WordRules.h"
#include "completion/WordSplitter.h"

int main() {
    rorirer::CompletionStore store(3);
    const rorirer::WordRules rules;
    rorirer::WordSplitter splitter(rules);
    std::vector<std::string> words;
    const auto emit = [&words](std::string_view w) { words.emplace_back(w); };
    splitter.feed("The hippopotamus's café doesn't hide; hippos hide.", emit);
    splitter.finish(emit);
    for (const std::string& w : words) store.addTextWord(w);
    expect(store.wordCount() == 6, "six distinct words");

    rorirer::Query query;
    query.prefix = "HIPPO";
    const rorirer::Completion answer = store.complete(query);
    expect(answer.candidates.size() == 2, "two completions of HIPPO");
    expect(!answer.candidates.empty() && answer.candidates[0].text == "HIPPOS", "HIPPOS first");
    query.prefix = "cafe\xCC\x81";  // typed in NFD
    expect(store.complete(query).unique.value_or("") == "café", "café, typed in NFD");
    query.prefix = "hipopo";
    expect(store.complete(query).fuzzy, "a typo falls back on words within one edit");

    return verdict("completion host");
}
