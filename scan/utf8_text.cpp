// Key names as UTF-8: the walk, the row store and the batches keep 8-bit
// texts, and an ASCII path stays byte for byte what it was. A name that is
// not valid UTF-16 (a lone surrogate, which the native API can create) is
// kept as it is, in the generalised form of UTF-8 that encodes surrogates
// one by one, so it still names its key when it is opened or copied.
#include "scan/scan.h"
#include <cstring>

static int Utf8Bytes(unsigned c)
{
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

int EncodeUtf8(const wchar_t* text, int length, char* out, int room, bool& whole)
{
    int used = 0;
    for (int i = 0; i < length;) {
        unsigned c = text[i];
        int units = 1;
        if (IS_HIGH_SURROGATE(c) && i + 1 < length && IS_LOW_SURROGATE(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unsigned(text[i + 1]) - 0xDC00);
            units = 2;
        }
        const int bytes = Utf8Bytes(c);
        if (used + bytes > room) {
            whole = false;
            return used;
        }
        unsigned char* at = reinterpret_cast<unsigned char*>(out + used);
        switch (bytes) {
        case 1: at[0] = static_cast<unsigned char>(c); break;
        case 2: at[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
                at[1] = static_cast<unsigned char>(0x80 | (c & 0x3F)); break;
        case 3: at[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
                at[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
                at[2] = static_cast<unsigned char>(0x80 | (c & 0x3F)); break;
        default: at[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
                 at[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
                 at[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
                 at[3] = static_cast<unsigned char>(0x80 | (c & 0x3F)); break;
        }
        used += bytes;
        i += units;
    }
    whole = true;
    return used;
}

// The character at text[*at], or U+FFFD for a byte that starts none (only
// a text made elsewhere has one); *at moves past what was read.
static unsigned NextCharacter(const unsigned char* text, int length, int* at)
{
    const unsigned lead = text[*at];
    const int bytes = lead < 0x80 ? 1 : lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (bytes == 0 || bytes > length - *at) {
        *at += 1;
        return 0xFFFD;
    }
    unsigned c = bytes == 1 ? lead : lead & (0x7F >> bytes);
    for (int i = 1; i < bytes; ++i) {
        if ((text[*at + i] & 0xC0) != 0x80) {
            *at += 1;
            return 0xFFFD;
        }
        c = (c << 6) | (text[*at + i] & 0x3F);
    }
    // Past U+10FFFF, or a sequence longer than its character needs.
    if (bytes == 4 && (c < 0x10000 || c > 0x10FFFF)) {
        *at += 1;
        return 0xFFFD;
    }
    *at += bytes;
    return c;
}

void CopyWholeCharacters(wchar_t* to, const wchar_t* from, int size)
{
    if (size <= 0)
        return;
    int i = 0;
    for (; i < size - 1 && from[i]; ++i)
        to[i] = from[i];
    // Cut between the halves of a pair, the text would end in half a
    // character; a lone high surrogate is a whole one (it names its key).
    if (i > 0 && i == size - 1 && IS_HIGH_SURROGATE(from[i - 1]) && IS_LOW_SURROGATE(from[i]))
        --i;
    to[i] = L'\0';
}

int DecodeUtf8(const char* text, int length, wchar_t* out, int size)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    if (length < 0)
        length = int(strlen(text));
    int units = 0;
    for (int at = 0; at < length;) {
        const unsigned c = NextCharacter(bytes, length, &at);
        const int need = c >= 0x10000 ? 2 : 1;
        if (!out) {
            units += need;
            continue;
        }
        if (units + need > size - 1)
            break;
        if (need == 2) {
            out[units++] = wchar_t(0xD800 + ((c - 0x10000) >> 10));
            out[units++] = wchar_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out[units++] = wchar_t(c);
        }
    }
    if (out && size > 0)
        out[units] = L'\0';
    return units;
}
