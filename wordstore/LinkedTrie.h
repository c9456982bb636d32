// LinkedTrie: an in-memory store of words for completing partly typed words.
//
// Words are 8-bit strings, read up to their first NUL. Each node holds one
// character; the nodes that may follow a node form one sorted, singly linked
// list, headed by an end marker (character 0) when a word also ends there.
//
// Every walk comes as a public front that starts at `root` and a protected
// worker that takes the list to start from, so a subclass can run the same
// walk below the root.
//
// Failures: allocation failure throws std::bad_alloc to the caller. Members
// that change the tree leave it exactly as it was when they throw; queries
// leave the tree untouched and their output holds what was written so far.
// One object is used by one thread at a time.
#ifndef RORIRER_WORDSTORE_LINKEDTRIE_H
#define RORIRER_WORDSTORE_LINKEDTRIE_H

#include "framework/Framework.h"
#include "module/Export.h"
#include "module/Module.h"
#include "wordstore/LinkedTrieNode.h"

class RORIRER_API LinkedTrie {
public:
    // Words shorter than `minLength` (whole length, NULs included) are refused.
    LinkedTrie(long minLength = 5);
    // Copies are deep: a copy shares no node with its source.
    LinkedTrie(const LinkedTrie& other);
    virtual ~LinkedTrie();
    LinkedTrie& operator=(const LinkedTrie& other);

    // True when the word was new and is now stored; false for a short, empty
    // or already stored word.
    bool insertString(const CString& word);
    // True when the word was stored and is gone; the tree is then what
    // inserting the remaining words would have built.
    bool removeString(const CString& word);
    // Empties the store, keeping the minimum length.
    void reset();
    long getWordCount();
    long getNodeCount();

    // True when `text` is a stored word (the empty text always is). `matched`
    // receives the characters of `text` that the tree holds in sequence.
    bool containsString(const char* text, CString& matched);
    // `completion` = `prefix` extended as far as all stored words that begin
    // with it agree. False when no stored word begins with `prefix`.
    bool getLongestUnambiguousCompletion(const CString& prefix, CString& completion,
                                         bool skipPrefixWord);
    // Like the above, but true only when `prefix` leads to exactly one stored
    // word, which `completion` then holds.
    bool getUniqueCompletion(const CString& prefix, CString& completion, bool skipPrefixWord);
    // Replaces `completions` with every stored word that begins with `prefix`,
    // in byte-wise order, each word ahead of its continuations.
    void getPossibleCompletions(const CString& prefix, CStringArray& completions);

protected:
    bool insertString(const char* text, LinkedTrieNode* list, LinkedTrieNode* parent,
                      long& created);
    void killTrieNodes(LinkedTrieNode* list);

    bool containsString(const char* text, LinkedTrieNode* list, CString& matched);
    bool getLongestUnambiguousCompletion(const char* text, CString& completion, bool skipPrefixWord,
                                         LinkedTrieNode* list);
    bool completeAmbiguousEntry(LinkedTrieNode* list, CString& completion, bool skipPrefixWord);
    bool getUniqueCompletion(const char* text, CString& completion, bool skipPrefixWord,
                             LinkedTrieNode* list);
    bool completeUniqueEntry(LinkedTrieNode* list, CString& completion, bool skipPrefixWord);

    void getPossibleCompletions(const CString& prefix, const char* text, LinkedTrieNode* list,
                                CStringArray& completions);
    void generateAllCombinations(const CString& prefix, CString suffix, LinkedTrieNode* list,
                                 CStringArray& completions);

    long wordCount;
    // The root marker: an end marker standing for the empty word, heading the
    // top-level list. Null only after destruction.
    LinkedTrieNode* root;
    // Nodes in the tree, the root marker included.
    long nodeCount;
    long minLength;
};

#endif  // RORIRER_WORDSTORE_LINKEDTRIE_H
