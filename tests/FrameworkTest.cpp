// The string and array types: whole-string semantics with embedded NULs,
// aliasing, and checked indexes.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "framework/Framework.h"

namespace {

TEST(CStringTest, KeepsEveryByteThroughCopiesAndConcatenation) {
    const CString withNul("ab\0cd", 5);
    EXPECT_EQ(withNul.GetLength(), 5);
    EXPECT_STREQ(static_cast<const char*>(withNul), "ab");
    CString copy = withNul;
    copy += 'e';
    copy += copy;  // appending itself
    EXPECT_EQ(copy.GetLength(), 12);
    EXPECT_EQ(copy.GetAt(8), '\0');
    EXPECT_EQ(copy.GetAt(9), 'c');
    EXPECT_EQ(copy, CString("ab\0cdeab\0cde", 12));
    EXPECT_NE(withNul, CString("ab"));
    EXPECT_EQ(withNul + CString("x"), CString("ab\0cdx", 6));
    EXPECT_EQ(CString("x") + 'y', "xy");
}

TEST(CStringTest, NullAndNegativeInputsGiveTheEmptyString) {
    EXPECT_TRUE(CString(nullptr).IsEmpty());
    EXPECT_TRUE(CString("abc", -1).IsEmpty());
    EXPECT_TRUE(CString(nullptr, 3).IsEmpty());
    CString s("abc");
    s = static_cast<const char*>(nullptr);
    EXPECT_TRUE(s.IsEmpty());
    s = "tail";
    s = static_cast<const char*>(s) + 2;  // assigning from its own buffer
    EXPECT_EQ(s, "il");
    s.Empty();
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_STREQ(static_cast<const char*>(s), "");
}

TEST(CStringTest, OrdersBytesAsUnsignedAndChecksIndexes) {
    EXPECT_LT(CString("a"), CString("\x80"));
    EXPECT_LT(CString("ab"), CString("ab\0", 3));
    EXPECT_LT("abc", CString("abd"));
    EXPECT_THROW(CString("ab").GetAt(2), std::out_of_range);
    EXPECT_THROW(CString("ab")[-1], std::out_of_range);
}

TEST(CStringArrayTest, GrowsClearsAndCopiesElementsOfItself) {
    CStringArray array;
    EXPECT_EQ(array.Add("one"), 0);
    array.SetAtGrow(3, "four");
    EXPECT_EQ(array.GetSize(), 4);
    EXPECT_EQ(array.GetCount(), 4);
    EXPECT_TRUE(array[1].IsEmpty());
    for (int i = 0; i < 100; ++i) array.Add(array[0]);  // appending its own element
    EXPECT_EQ(array.GetAt(103), "one");
    array.SetAtGrow(500, array[3]);  // growing while reading its own element
    EXPECT_EQ(array[500], "four");
    array.SetSize(0, -1);
    EXPECT_EQ(array.GetSize(), 0);
    array.SetSize(2, 16);
    EXPECT_EQ(array.GetSize(), 2);
    array.RemoveAll();
    EXPECT_TRUE(array.IsEmpty());
    EXPECT_THROW(array.GetAt(0), std::out_of_range);
    EXPECT_THROW(array.SetAtGrow(-1, "x"), std::out_of_range);
    EXPECT_THROW(array.SetSize(-1), std::invalid_argument);

    // Built in place from bytes: every byte kept, no length or pointer
    // taken for more than it is.
    const char bytes[] = {'a', '\0', '\xff', 'b', 'c'};
    EXPECT_EQ(array.Add(bytes, 4), 0);
    EXPECT_EQ(array.Add(bytes, 0), 1);
    EXPECT_EQ(array.Add(bytes, -2), 2);
    EXPECT_EQ(array.Add(nullptr, 3), 3);
    ASSERT_EQ(array.GetSize(), 4);
    EXPECT_EQ(array[0].GetLength(), 4);
    EXPECT_EQ(std::string(static_cast<const char*>(array[0]), 4), std::string(bytes, 4));
    for (int i = 1; i < 4; ++i) EXPECT_TRUE(array[i].IsEmpty()) << i;
}

}  // namespace
