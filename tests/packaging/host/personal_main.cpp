// A host of the personal word list built only from what `cmake --install`
// put under a prefix, through find_package(RorIrer 3) and RorIrer::Personal
// alone. Its list lives in a fresh temporary folder, never the user's.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "Expect.h"
#include "personal/PersonalList.h"

int main() {
    std::string folder = (std::filesystem::temp_directory_path() / "rorirer-host.XXXXXX").string();
    if (::mkdtemp(&folder[0]) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string path = folder + "/list/words.txt";
    {
        rorirer::PersonalList list(path);
        expect(list.load().ok(), "a missing list loads as an empty one");
        expect(list.learn("quokka").ok() && list.forget("wombat").ok(), "learn and forget");
        const rorirer::ListStatus refused = list.learn("two\nlines");
        expect(!refused.ok() && !refused.message().empty(), "a word with a line end is refused");
        expect(list.save().ok(), "the first save makes the folder and the file");
    }
    rorirer::PersonalList again(path);
    expect(again.load().ok() && again.learned().count("quokka") == 1 &&
               again.forgotten().count("wombat") == 1,
           "the saved list reads back");
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return verdict("personal host");
}
