// CString: an 8-bit string with a length and a NUL-terminated buffer, under the
// member names hosts written for the classic framework already use.
//
// The length counts every byte, embedded NULs included; copies, concatenation
// and comparison keep and look at the whole string. Code that reads the buffer
// through `operator const char*` sees it only up to the first NUL.
//
// Everything is inline: the library exports no framework type, so a host and
// the library each compile their own copy of these few members.
//
// So the host and the library must be built against one C++ runtime. A
// CString is a std::string inside, and the library's members fill, grow and
// free the host's CStrings and CStringArrays: both sides must agree on
// std::string's layout and share one heap. That means the same standard
// library (with libstdc++, the same _GLIBCXX_USE_CXX11_ABI), and on Windows
// the same runtime DLLs, shipped beside RORIRER.dll (docs/windows.md).
//
// CString and CStringArray are global classes, as the framework's are, and
// the exported members' names say so (LinkedTrie::insertString(CString
// const&)): they cannot move into a namespace, and renaming them with a
// macro changes the names the linker looks for. MFC's and ATL's headers
// (afx.h, atlstr.h) declare a global CString too, so one translation unit
// cannot include both. An MFC host keeps its calls into the library in
// translation units of their own, which include RorIrer's headers and not
// the framework's, and passes words to the rest of the program as
// `const char*` or std::string.
#ifndef RORIRER_FRAMEWORK_CSTRING_H
#define RORIRER_FRAMEWORK_CSTRING_H

#include <stdexcept>
#include <string>
#include <utility>

class CString {
public:
    CString() noexcept = default;
    // A null pointer gives the empty string, as the framework's does.
    CString(const char* text) : text_(text != nullptr ? text : "") {}
    // Takes exactly `length` bytes, NULs included; a null pointer or a
    // negative length gives the empty string.
    CString(const char* text, int length)
        : text_(text != nullptr && length > 0 ? std::string(text, static_cast<size_t>(length))
                                              : std::string()) {}

    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    ~CString() = default;

    CString& operator=(const char* text) {
        // std::string::assign copes with `text` pointing into this string.
        text_.assign(text != nullptr ? text : "");
        return *this;
    }

    int GetLength() const noexcept { return static_cast<int>(text_.size()); }
    bool IsEmpty() const noexcept { return text_.empty(); }
    void Empty() noexcept { text_.clear(); }

    // Out-of-range indexes throw std::out_of_range instead of reading past
    // the buffer.
    char GetAt(int index) const { return text_.at(checkedIndex(index)); }
    char operator[](int index) const { return GetAt(index); }

    operator const char*() const noexcept { return text_.c_str(); }

    CString& operator+=(char ch) {
        text_.push_back(ch);
        return *this;
    }
    CString& operator+=(const CString& other) {
        text_.append(other.text_);  // safe when `other` is *this
        return *this;
    }
    CString& operator+=(const char* text) {
        if (text != nullptr) text_.append(text);
        return *this;
    }

    // Appends `length` bytes, NULs included; `text` may point into this string.
    CString& Append(const char* text, int length) {
        if (text != nullptr && length > 0) text_.append(text, static_cast<size_t>(length));
        return *this;
    }
    // Keeps the first `length` bytes; a longer length changes nothing.
    void Truncate(int length) {
        if (length >= 0 && static_cast<size_t>(length) < text_.size())
            text_.resize(static_cast<size_t>(length));
    }
    // Reserves room for `length` bytes so that appending up to it never
    // reallocates.
    void Preallocate(int length) {
        if (length > 0) text_.reserve(static_cast<size_t>(length));
    }

    friend CString operator+(const CString& left, const CString& right) {
        CString result;
        result.text_.reserve(left.text_.size() + right.text_.size());
        result.text_.append(left.text_).append(right.text_);
        return result;
    }
    friend CString operator+(const CString& left, const char* right) {
        return left + CString(right);
    }
    friend CString operator+(const char* left, const CString& right) {
        return CString(left) + right;
    }
    // Without this overload `str + 'x'` would silently pick pointer
    // arithmetic on the buffer.
    friend CString operator+(const CString& left, char right) {
        CString result(left);
        result += right;
        return result;
    }

    // Comparisons look at every byte, as unsigned values.
    friend bool operator==(const CString& a, const CString& b) noexcept {
        return a.text_ == b.text_;
    }
    friend bool operator!=(const CString& a, const CString& b) noexcept { return !(a == b); }
    friend bool operator<(const CString& a, const CString& b) noexcept { return a.text_ < b.text_; }
    // Exact overloads for plain strings: otherwise `str == "abc"` would be
    // ambiguous with comparing two `const char*`.
    friend bool operator==(const CString& a, const char* b) { return a == CString(b); }
    friend bool operator==(const char* a, const CString& b) { return CString(a) == b; }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    friend bool operator!=(const char* a, const CString& b) { return !(a == b); }
    friend bool operator<(const CString& a, const char* b) { return a < CString(b); }
    friend bool operator<(const char* a, const CString& b) { return CString(a) < b; }

private:
    size_t checkedIndex(int index) const {
        if (index < 0) throw std::out_of_range("CString index is negative");
        return static_cast<size_t>(index);
    }

    std::string text_;
};

#endif  // RORIRER_FRAMEWORK_CSTRING_H
