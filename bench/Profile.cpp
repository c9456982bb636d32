// Runs one operation of one store once, under callgrind's instrumentation
// only while the operation runs, so instruction counts compare exactly from
// one build of the store to the next (wall-clock times on a shared machine
// do not).
//
//   valgrind --tool=callgrind --instr-atstart=no WordStoreProfile STORE OP FILE
//
// STORE is LinkedTrie, LinkedTrie-copied, LinkedTrie-loaded, LinkedTrie-loaded-copied or
// std::set; OP one of build, load, membership, listing, completion, removal, destruction.
// The loaded stores are built from the file's order, the others from the shuffled list; load
// builds any store from the file's order. Prints the items the operation handled.
#include <valgrind/callgrind.h>

#include <cstdio>
#include <string>

#include "Peers.h"
#include "Workload.h"

namespace {

template <typename Peer>
size_t runOnce(const std::string& op, const Workload& w, const WordList& order) {
    Peer peer;
    if (op != "build" && op != "load") buildPeer(peer, order);
    size_t items = 0;
    size_t answers = 0;
    CALLGRIND_START_INSTRUMENTATION;
    if (op == "build") {
        buildPeer(peer, order);
        items = w.words.size();
    } else if (op == "load") {
        // The words as the file holds them, without reading the file.
        buildPeer(peer, w.inFileOrder);
        items = w.inFileOrder.size();
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
    const WordList file = readWordList(argv[3]);
    Workload w = makeWorkload("profile", file);
    w.inFileOrder = file;
    const std::string op = argv[2];
    const std::string store = argv[1];
    if (store == "LinkedTrie") return runOnce<LinkedTriePeer>(op, w, w.words) ? 0 : 1;
    if (store == "LinkedTrie-copied") return runOnce<CopiedLinkedTriePeer>(op, w, w.words) ? 0 : 1;
    if (store == "LinkedTrie-loaded")
        return runOnce<LoadedLinkedTriePeer>(op, w, w.inFileOrder) ? 0 : 1;
    if (store == "LinkedTrie-loaded-copied")
        return runOnce<LoadedCopiedLinkedTriePeer>(op, w, w.inFileOrder) ? 0 : 1;
    if (store == "std::set") return runOnce<StdSetPeer>(op, w, w.words) ? 0 : 1;
    return 2;
}
