#include "TrieProbe.h"

#include <sstream>
#include <utility>

namespace {

struct Frame {
    LinkedTrieNode* list;
    long depth;
};

}  // namespace

std::string checkInvariants(TrieProbe& trie) {
    return checkInvariants(trie.rootNode(), trie.getNodeCount(), trie.getWordCount());
}

std::string checkInvariants(LinkedTrieNode* root, long nodeCount, long wordCount) {
    if (root == nullptr) return "root is null";
    if (root->character != 0) return "root marker holds a character";
    long nodes = 0;
    long words = 0;
    std::vector<Frame> stack{{root, 0}};
    while (!stack.empty()) {
        const Frame frame = stack.back();
        stack.pop_back();
        const bool topLevel = frame.list == root;
        LinkedTrieNode* prev = nullptr;
        for (LinkedTrieNode* node = frame.list; node != nullptr; node = node->nextSibling) {
            ++nodes;
            const std::string where = "a list at depth " + std::to_string(frame.depth);
            if (prev != nullptr && !(prev->character < node->character)) {
                return where + " is not strictly ascending";
            }
            if (node->character == 0) {
                if (prev != nullptr) return where + " has an end marker after its head";
                if (node->firstChild != nullptr) return where + " has an end marker with children";
                if (!topLevel && node->nextSibling == nullptr) {
                    return where + " holds an end marker alone";
                }
                if (!topLevel) ++words;
            } else if (node->character > 0x7F && node->character < 0xFFFFFF80u) {
                return where + " holds a character that is no sign-extended byte";
            } else if (node->firstChild == nullptr) {
                ++words;
            } else {
                stack.push_back({node->firstChild, frame.depth + 1});
            }
            prev = node;
        }
    }
    if (nodes != nodeCount) {
        return "node count " + std::to_string(nodeCount) + " but " + std::to_string(nodes) +
               " nodes in the tree";
    }
    if (words != wordCount) {
        return "word count " + std::to_string(wordCount) + " but " + std::to_string(words) +
               " words in the tree";
    }
    return "";
}

std::vector<std::string> wordsInTree(TrieProbe& trie) { return wordsInTree(trie.rootNode()); }

std::vector<std::string> wordsInTree(LinkedTrieNode* root) {
    std::vector<std::string> words;
    // One path buffer for the whole walk, cut back to the depth of each
    // pending sibling, so the walk costs time in proportion to the tree even
    // for one very long word. Sibling lists are sorted, so visiting a node
    // before its next sibling gives the words in order.
    struct Pending {
        LinkedTrieNode* node;
        size_t depth;
    };
    std::vector<Pending> stack;
    if (root != nullptr && root->nextSibling != nullptr) stack.push_back({root->nextSibling, 0});
    std::string path;
    while (!stack.empty()) {
        const Pending pending = stack.back();
        stack.pop_back();
        LinkedTrieNode* node = pending.node;
        path.resize(pending.depth);
        if (node->nextSibling != nullptr) stack.push_back({node->nextSibling, pending.depth});
        if (node->character == 0) {
            words.push_back(path);
            continue;
        }
        path += static_cast<char>(node->character);
        if (node->firstChild == nullptr) {
            words.push_back(path);
        } else {
            stack.push_back({node->firstChild, pending.depth + 1});
        }
    }
    return words;
}

std::string describeTree(LinkedTrieNode* list) {
    std::ostringstream out;
    struct Step {
        LinkedTrieNode* node;
        bool close;
    };
    std::vector<Step> stack{{list, false}};
    while (!stack.empty()) {
        Step step = stack.back();
        stack.pop_back();
        if (step.close) {
            out << ')';
            continue;
        }
        if (step.node == nullptr) continue;
        LinkedTrieNode* node = step.node;
        if (node->character == 0) {
            out << '#';
        } else {
            out << static_cast<char>(node->character);
        }
        stack.push_back({node->nextSibling, false});
        if (node->firstChild != nullptr) {
            out << '(';
            stack.push_back({nullptr, true});
            stack.push_back({node->firstChild, false});
        }
    }
    return out.str();
}

std::vector<std::string> toVector(const CStringArray& array) {
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(array.GetSize()));
    for (int i = 0; i < array.GetSize(); ++i) out.push_back(toStd(array[i]));
    return out;
}
