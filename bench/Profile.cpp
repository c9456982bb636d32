// Runs one operation of one store once, under callgrind's instrumentation
// only while the operation runs, so instruction counts compare exactly from
// one build of the store to the next (wall-clock times on a shared machine
// do not).
//
//   valgrind --tool=callgrind --instr-atstart=no WordStoreProfile STORE OP FILE
//
// STORE is LinkedTrie, LinkedTrie-copied or std::set; OP one of build, membership, listing,
// completion, removal, destruction. Prints the items the operation handled.
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Peers.h"
#include "Workload.h"

namespace {

template <typename Peer>
size_t runOnce(const std::string& op, const Workload& w) {
    Peer peer;
    if (op != "build") buildPeer(peer, w.words);
    size_t items = 0;
    size_t answers = 0;
    CALLGRIND_START_INSTRUMENTATION;
    if (op == "build") {
        buildPeer(peer, w.words);
        items = w.words.size();
    } else if (op == "membership") {
        for (const std::string& probe : w.probes) answers += peer.contains(probe);
        items = w.probes.size();
    } else if (op == "listing") {
        for (const std::string& prefix : w.listed) answers += peer.list(prefix);
        items = w.listedWords;
    } else if (op == "completion") {
        for (const std::string& prefix : w.completed) {
            answers += peer.longest(prefix);
            answers += peer.unique(prefix);
        }
        items = 2 * w.completed.size();
    } else if (op == "removal") {
        for (const std::string& word : w.removed) answers += peer.remove(word);
        items = w.removed.size();
    } else if (op == "destruction") {
        peer.destroy();
        items = w.words.size();
    }
    CALLGRIND_STOP_INSTRUMENTATION;
    std::printf("%zu %zu\n", items, answers);
    return items;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s STORE OP FILE\n", argv[0]);
        return 2;
    }
    const Workload w = makeWorkload("profile", readWordList(argv[3]));
    const std::string op = argv[2];
    if (std::strcmp(argv[1], "LinkedTrie") == 0) return runOnce<LinkedTriePeer>(op, w) ? 0 : 1;
    if (std::strcmp(argv[1], "LinkedTrie-copied") == 0)
        return runOnce<CopiedLinkedTriePeer>(op, w) ? 0 : 1;
    if (std::strcmp(argv[1], "std::set") == 0) return runOnce<StdSetPeer>(op, w) ? 0 : 1;
    return 2;
}
