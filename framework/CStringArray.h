// CStringArray: an ordered, growable array of CString with the framework's
// member names. Sizes and indexes are `int`, as hosts expect.
#ifndef RORIRER_FRAMEWORK_CSTRINGARRAY_H
#define RORIRER_FRAMEWORK_CSTRINGARRAY_H

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "framework/CString.h"

class CStringArray {
public:
    CStringArray() noexcept = default;

    int GetSize() const noexcept { return static_cast<int>(items_.size()); }
    int GetCount() const noexcept { return GetSize(); }
    int GetUpperBound() const noexcept { return GetSize() - 1; }
    bool IsEmpty() const noexcept { return items_.empty(); }

    // Indexes outside the array throw std::out_of_range.
    const CString& GetAt(int index) const { return items_.at(checkedIndex(index)); }
    CString& ElementAt(int index) { return items_.at(checkedIndex(index)); }
    const CString& operator[](int index) const { return GetAt(index); }
    CString& operator[](int index) { return ElementAt(index); }

    // `growBy` -1 keeps the current growth step. The array grows
    // geometrically in any case; a positive step only sets the least number
    // of slots one growth adds.
    void SetSize(int newSize, int growBy = -1) {
        if (newSize < 0) throw std::invalid_argument("CStringArray::SetSize: negative size");
        if (growBy >= 0) growBy_ = growBy;
        items_.resize(static_cast<size_t>(newSize));
    }

    // Writes a copy of `value` at `index`, growing the array with empty
    // strings when the index lies past its end. `value` may be an element of
    // this array.
    void SetAtGrow(int index, const CString& value) {
        const size_t at = checkedIndex(index);
        CString copy(value);  // taken before growing can move `value`
        if (at >= items_.size()) {
            reserveFor(at + 1);
            items_.resize(at + 1);
        }
        items_[at] = std::move(copy);
    }

    void SetAt(int index, const CString& value) { ElementAt(index) = value; }

    // Appends a copy and returns its index. `value` may be an element of this
    // array.
    int Add(const CString& value) { return Add(CString(value)); }
    int Add(CString&& value) {
        reserveFor(items_.size() + 1);
        items_.push_back(std::move(value));
        return GetSize() - 1;
    }
    // Appends the `length` bytes at `text` as a new string built in place:
    // no temporary to move and destroy, which counts when a listing adds
    // one string per stored word. `text` must not point into this array.
    int Add(const char* text, int length) {
        reserveFor(items_.size() + 1);
        items_.emplace_back(text, length);
        return GetSize() - 1;
    }

    void RemoveAll() noexcept { items_.clear(); }

    // True when `item` is one of this array's elements: such a string is
    // overwritten or moved by anything that changes the array.
    bool Holds(const CString* item) const noexcept {
        if (items_.empty()) return false;
        std::less<const CString*> before;
        return !before(item, items_.data()) && before(item, items_.data() + items_.size());
    }

private:
    static size_t checkedIndex(int index) {
        if (index < 0) throw std::out_of_range("CStringArray index is negative");
        return static_cast<size_t>(index);
    }

    void reserveFor(size_t needed) {
        if (needed <= items_.capacity()) return;
        const size_t step = growBy_ > 0 ? static_cast<size_t>(growBy_) : 0;
        items_.reserve(std::max({needed, items_.size() + step, items_.capacity() * 2}));
    }

    std::vector<CString> items_;
    int growBy_ = 0;
};

#endif  // RORIRER_FRAMEWORK_CSTRINGARRAY_H
