// Key names as UTF-8 and back, with no window.
#include "scan/scan.h"
#include <gtest/gtest.h>
#include <string>

namespace {

std::string Encode(const std::wstring& text, int room, bool* whole = nullptr)
{
    std::string out(size_t(room), '\0');
    bool fitted = false;
    out.resize(size_t(EncodeUtf8(text.data(), int(text.size()), out.data(), room, fitted)));
    if (whole)
        *whole = fitted;
    return out;
}

std::wstring Decode(const std::string& text, int size)
{
    std::wstring out(size_t(size), L'\0');
    out.resize(size_t(DecodeUtf8(text.data(), int(text.size()), out.data(), size)));
    return out;
}

}  // namespace

// Every UTF-16 name comes back unit for unit, lone surrogates included, and
// a cut never splits a character.
TEST(Utf8Text, EveryNameComesBackExactlyAndACutKeepsWholeCharacters)
{
    const std::wstring name = L"ab\x0416\x4E2D\xD83D\xDE00\xD800z\xDC00";
    const std::string bytes = Encode(name, 64);
    EXPECT_EQ(bytes, "ab\xD0\x96\xE4\xB8\xAD\xF0\x9F\x98\x80\xED\xA0\x80z\xED\xB0\x80");
    EXPECT_EQ(Decode(bytes, 64), name);
    EXPECT_EQ(DecodeUtf8(bytes.data(), int(bytes.size()), nullptr, 0), int(name.size()));

    bool whole = true;
    EXPECT_EQ(Encode(name, 9, &whole), "ab\xD0\x96\xE4\xB8\xAD");
    EXPECT_FALSE(whole);
    // Six units of room with the terminator: the pair does not fit in the last one.
    EXPECT_EQ(Decode(bytes, 6), L"ab\x0416\x4E2D");
    // Bytes that start no character read as U+FFFD, one each.
    EXPECT_EQ(Decode("a\x80\xC3", 8), L"a\xFFFD\xFFFD");
}

TEST(Utf8Text, ACopyCutsBeforeAPairButKeepsALoneHighSurrogate)
{
    wchar_t to[4];
    CopyWholeCharacters(to, L"ab\xD83D\xDE00", 4);
    EXPECT_EQ(std::wstring(to), L"ab");
    CopyWholeCharacters(to, L"ab\xD800" L"c", 4);
    EXPECT_EQ(std::wstring(to), L"ab\xD800");
}
