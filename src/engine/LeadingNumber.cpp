#include "engine/LeadingNumber.h"

#include "platform/RuntimeError.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace ze6::modDAZadaro {

namespace {

// Walks a text the way the number reader sees it: blanks, tabs and line feeds
// do not exist for it, wherever they stand.
class Cursor {
public:
    explicit Cursor(std::string_view text) : m_text(text) {}

    char Peek()
    {
        while (m_pos < m_text.size() && IsSkipped(m_text[m_pos]))
            ++m_pos;
        return m_pos < m_text.size() ? m_text[m_pos] : '\0';
    }
    void Advance() { ++m_pos; }

private:
    static bool IsSkipped(char c) { return c == ' ' || c == '\t' || c == '\n'; }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int DigitValue(char c, int base)
{
    int value = base;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    return value < base ? value : -1;
}

// "&H" and "&O" numbers are read as plain non-negative magnitudes; anything
// beyond the 32-bit range then overflows like a decimal would.
double ReadRadixNumber(Cursor& cursor, int base)
{
    double value = 0;
    for (int digit; (digit = DigitValue(cursor.Peek(), base)) >= 0; cursor.Advance())
        value = value * base + digit;
    return value;
}

// Enough significant digits to round any decimal text to the nearest double;
// a dropped non-zero digit is kept as one trailing "1" so halfway cases still
// round the right way.
constexpr std::size_t kSignificantDigits = 800;
constexpr std::int64_t kExponentLimit = 1'000'000'000;

double ReadDecimalNumber(Cursor& cursor)
{
    bool negative = false;
    if (cursor.Peek() == '+' || cursor.Peek() == '-') {
        negative = cursor.Peek() == '-';
        cursor.Advance();
    }

    std::string digits;
    bool droppedNonZero = false;
    std::int64_t pointPosition = 0; // decimal exponent of the point relative to the first significant digit
    auto take = [&](char c, bool integerPart) {
        if (digits.empty() && c == '0') {
            if (!integerPart)
                --pointPosition;
            return;
        }
        if (integerPart)
            ++pointPosition;
        if (digits.size() < kSignificantDigits)
            digits += c;
        else if (c != '0')
            droppedNonZero = true;
    };

    for (; IsDigit(cursor.Peek()); cursor.Advance())
        take(cursor.Peek(), true);
    if (cursor.Peek() == '.') {
        cursor.Advance();
        for (; IsDigit(cursor.Peek()); cursor.Advance())
            take(cursor.Peek(), false);
    }

    std::int64_t exponent = 0;
    const char marker = cursor.Peek();
    if (marker == 'E' || marker == 'e' || marker == 'D' || marker == 'd') {
        cursor.Advance();
        bool negativeExponent = false;
        if (cursor.Peek() == '+' || cursor.Peek() == '-') {
            negativeExponent = cursor.Peek() == '-';
            cursor.Advance();
        }
        for (; IsDigit(cursor.Peek()); cursor.Advance()) {
            if (exponent < kExponentLimit)
                exponent = exponent * 10 + (cursor.Peek() - '0');
        }
        if (negativeExponent)
            exponent = -exponent;
    }

    if (digits.empty())
        return 0;
    const std::int64_t scale = pointPosition + exponent;
    if (scale > 400)
        return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    if (scale < -400)
        return 0;

    std::string text = "0." + digits;
    if (droppedNonZero)
        text += '1';
    text += 'e' + std::to_string(scale);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range)
        value = scale > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

} // namespace

double ReadLeadingNumber(std::string_view text)
{
    Cursor cursor(text);
    if (cursor.Peek() == '&') {
        cursor.Advance();
        const char kind = cursor.Peek();
        if (kind == 'H' || kind == 'h') {
            cursor.Advance();
            return ReadRadixNumber(cursor, 16);
        }
        if (kind == 'O' || kind == 'o') {
            cursor.Advance();
            return ReadRadixNumber(cursor, 8);
        }
        return 0;
    }
    return ReadDecimalNumber(cursor);
}

std::int32_t RoundToInt32(double value)
{
    double rounded = std::floor(value);
    const double fraction = value - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0))
        rounded += 1.0;
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        Raise(ErrorNumber::Overflow, kProgramErrorSource);
    return static_cast<std::int32_t>(rounded);
}

} // namespace ze6::modDAZadaro
