// First, alone: the header must compile by itself.
#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {

using platform::CodePage;
using platform::FromUtf8;
using platform::ToUtf8;

constexpr CodePage kPaginas[] = {CodePage::cp437, CodePage::cp850, CodePage::cp852, CodePage::cp860,
                                 CodePage::cp1252};

TEST(CodePageTest, TextRoundTrips) {
    struct Caso {
        CodePage pagina;
        std::string utf8;
        std::string bytes;
    };
    const Caso casos[] = {
        {CodePage::cp1252, "ç ã é €", "\xE7 \xE3 \xE9 \x80"},
        {CodePage::cp850, "ç ã é", "\x87 \xC6 \x82"},
        {CodePage::cp860, "ç ã é", "\x87 \x84 \x82"},
        {CodePage::cp437, "╔═╗║╚╝", "\xC9\xCD\xBB\xBA\xC8\xBC"},
        {CodePage::cp852, "ő", "\x8B"},
        // Bytes 1252 leaves undefined come back as the same number, so nothing read is lost.
        {CodePage::cp1252, "\u0081\u008D", "\x81\x8D"},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.utf8);
        EXPECT_EQ(FromUtf8(caso.utf8, caso.pagina), caso.bytes);
        EXPECT_EQ(ToUtf8(caso.bytes, caso.pagina), caso.utf8);
    }
}

TEST(CodePageTest, EveryByteSurvivesARoundTripAndAsciiStaysItself) {
    std::string todos;
    for (int b = 0; b < 256; ++b)
        todos += static_cast<char>(b);
    const std::string ascii = todos.substr(0, 128);
    for (CodePage pagina : kPaginas) {
        SCOPED_TRACE(static_cast<int>(pagina));
        EXPECT_EQ(FromUtf8(ToUtf8(todos, pagina), pagina), todos);
        // Control bytes included: line ends and field separators must not turn into symbols.
        EXPECT_EQ(ToUtf8(ascii, pagina), ascii);
        EXPECT_EQ(FromUtf8(ascii, pagina), ascii);
    }
}

TEST(CodePageTest, WhatThePageCannotHoldBecomesAQuestionMark) {
    struct Caso {
        CodePage pagina;
        std::string utf8;
        std::string bytes;
    };
    const Caso casos[] = {
        {CodePage::cp1252, "a ő b", "a ? b"},
        {CodePage::cp850, "€", "?"},
        {CodePage::cp437, "ã", "?"},
        {CodePage::cp1252, "😀!", "?!"},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.utf8);
        EXPECT_EQ(FromUtf8(caso.utf8, caso.pagina), caso.bytes);
    }
}

TEST(CodePageTest, InvalidUtf8BecomesQuestionMarks) {
    struct Caso {
        std::string utf8;
        std::string bytes;
    };
    const Caso casos[] = {
        {"a\xFF"
         "b",
         "a?b"},
        {"\xE7", "?"},                // a 1252 byte where UTF-8 was due
        {"\xE2\x82x", "?x"},          // cut short: the next character is not swallowed
        {"\xC3", "?"},                // cut short at the end
        {"\xC0\xAF", "??"},           // overlong
        {"\xED\xA0\x80", "???"},      // a surrogate
        {"\xF4\x90\x80\x80", "????"}, // past U+10FFFF
        {"\x80\xC3\xA7", "?\xE7"},    // a stray continuation byte, then a good "ç"
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(testing::PrintToString(caso.utf8));
        EXPECT_EQ(FromUtf8(caso.utf8, CodePage::cp1252), caso.bytes);
    }
}

} // namespace
