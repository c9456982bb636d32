// Saves a personal list over and over, for the tests that kill it while it
// saves or run two at once.
//
//   PersonalListSaver cycle FILE [SAVES]  moves the list on from the state it
//                                         holds through SaverStates.h's states
//   PersonalListSaver add FILE TAG COUNT  learns TAG0 .. TAG<COUNT-1>, saving
//                                         after each
//
// Exit status 0 when done (cycle without SAVES runs until killed), 1 when a
// load or save fails (the reason on standard error), 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "SaverStates.h"
#include "personal/PersonalList.h"

namespace {

bool check(const rorirer::ListStatus& status) {
    if (!status.ok()) std::fprintf(stderr, "PersonalListSaver: %s\n", status.message().c_str());
    return status.ok();
}

int cycle(rorirer::PersonalList& list, long saves) {
    long state = saver::stateOf(list.learned());
    for (long done = 0; saves < 0 || done < saves; ++done, ++state) {
        const long from = saver::sizeAt(state);
        const long to = saver::sizeAt(state + 1);
        if (state > 0) list.forget(saver::markerOf(state));
        for (long i = from; i < to; ++i) list.learn(saver::wordAt(i));
        for (long i = to; i < from; ++i) list.forget(saver::wordAt(i));
        list.learn(saver::markerOf(state + 1));
        if (!check(list.save())) return 1;
    }
    return 0;
}

int add(rorirer::PersonalList& list, const std::string& tag, long count) {
    for (long i = 0; i < count; ++i) {
        list.learn(tag + std::to_string(i));
        if (!check(list.save())) return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (!(mode == "cycle" && argc <= 4) && !(mode == "add" && argc == 5)) {
        std::fprintf(stderr, "usage: PersonalListSaver cycle FILE [SAVES] | add FILE TAG COUNT\n");
        return 2;
    }
    rorirer::PersonalList list(argv[2]);
    if (!check(list.load())) return 1;
    if (mode == "cycle") return cycle(list, argc == 4 ? std::atol(argv[3]) : -1);
    return add(list, argv[3], std::atol(argv[4]));
}
