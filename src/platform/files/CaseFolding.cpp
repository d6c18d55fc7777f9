#include "platform/files/CaseFolding.h"

#include "platform/files/FileSystem.h"

#include <QChar>
#include <algorithm>

namespace ze6 {

namespace {

bool IsAscii(const std::string& text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Decodes one UTF-8 sequence at `pos`; returns its length, or 0 when the bytes
// there are not a valid, shortest-form sequence of a Unicode scalar value.
std::size_t DecodeOne(const std::string& text, std::size_t pos, char32_t& codePoint)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (pos + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    codePoint = value;
    return length;
}

void AppendUtf8(std::string& out, char32_t codePoint)
{
    if (codePoint >= kRawByteBase) {
        out += static_cast<char>(codePoint - kRawByteBase);
    } else if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

} // namespace

std::vector<char32_t> FoldToCodePoints(const std::string& text)
{
    std::vector<char32_t> folded;
    folded.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t codePoint = 0;
        const std::size_t length = DecodeOne(text, pos, codePoint);
        if (length == 0) {
            folded.push_back(kRawByteBase + static_cast<unsigned char>(text[pos]));
            ++pos;
            continue;
        }
        folded.push_back(codePoint < 0x80 ? static_cast<char32_t>(LowerAscii(static_cast<char>(codePoint)))
                                          : QChar::toCaseFolded(codePoint));
        pos += length;
    }
    return folded;
}

namespace FileSystem {

std::string FoldCase(const std::string& text)
{
    if (IsAscii(text)) {
        std::string folded = text;
        for (char& c : folded)
            c = LowerAscii(c);
        return folded;
    }
    std::string folded;
    folded.reserve(text.size());
    for (const char32_t codePoint : FoldToCodePoints(text))
        AppendUtf8(folded, codePoint);
    return folded;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca >= 0x80 || cb >= 0x80)
            return FoldToCodePoints(a.substr(i)) == FoldToCodePoints(b.substr(i));
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    // Folding maps each character to exactly one character, so after an equal
    // ASCII prefix the longer text holds characters the shorter one lacks.
    return a.size() == b.size();
}

} // namespace FileSystem

} // namespace ze6
