// marisa-trie behind the benchmark's questions. Built with label order, so a
// predictive search lists words in byte-wise order.
#include <marisa.h>

#include <algorithm>

#include "Peers.h"

struct MarisaPeer::State {
    marisa::Trie trie;
    marisa::Agent agent;
};

MarisaPeer::MarisaPeer() = default;
MarisaPeer::~MarisaPeer() = default;

void MarisaPeer::clear() { state_.reset(); }

void MarisaPeer::build(const WordList& words) {
    state_ = std::make_unique<State>();
    marisa::Keyset keys;
    for (const std::string& word : words) keys.push_back(word.data(), word.size());
    state_->trie.build(keys, MARISA_LABEL_ORDER);
}

void MarisaPeer::destroy() { state_.reset(); }

bool MarisaPeer::contains(const std::string& word) {
    state_->agent.set_query(word.data(), word.size());
    return state_->trie.lookup(state_->agent);
}

int MarisaPeer::list(const std::string& prefix) {
    listing_.clear();
    marisa::Agent& agent = state_->agent;
    agent.set_query(prefix.data(), prefix.size());
    while (state_->trie.predictive_search(agent)) {
        listing_.emplace_back(agent.key().ptr(), agent.key().length());
    }
    return static_cast<int>(listing_.size());
}

// A static trie offers no walk by character, so both completions come from
// the predictive search: the common prefix of everything it yields.
bool MarisaPeer::longest(const std::string& prefix) {
    text_ = prefix;
    marisa::Agent& agent = state_->agent;
    agent.set_query(prefix.data(), prefix.size());
    size_t found = 0;
    while (state_->trie.predictive_search(agent)) {
        const marisa::Key& key = agent.key();
        if (found++ == 0) {
            text_.assign(key.ptr(), key.length());
            continue;
        }
        const size_t n = std::min(text_.size(), key.length());
        size_t i = prefix.size();
        while (i < n && text_[i] == key.ptr()[i]) ++i;
        text_.resize(i);
    }
    return found > 0 || prefix.empty();
}

bool MarisaPeer::unique(const std::string& prefix) {
    text_ = prefix;
    marisa::Agent& agent = state_->agent;
    agent.set_query(prefix.data(), prefix.size());
    size_t found = 0;
    while (found < 2 && state_->trie.predictive_search(agent)) {
        if (found++ == 0) text_.assign(agent.key().ptr(), agent.key().length());
    }
    if (found == 1) return true;
    longest(prefix);
    return false;
}
