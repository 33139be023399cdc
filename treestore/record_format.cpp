#include "treestore/record_format.h"

#include <locale.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace treerecord {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void SkipBlanks(std::string_view& text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
}

// Leading sign: true for '-'.
bool TakeSign(std::string_view& text) {
    if (text.empty() || (text.front() != '+' && text.front() != '-'))
        return false;
    bool negative = text.front() == '-';
    text.remove_prefix(1);
    return negative;
}

void AppendHex8(std::string& out, std::size_t value) {
    char digits[24];
    int n = std::snprintf(digits, sizeof digits, "%08zx", value);
    out.append(digits, static_cast<std::size_t>(n));
}

void AppendField(std::string& out, std::string_view bytes) {
    AppendHex8(out, bytes.size());
    out.append(bytes);
}

}  // namespace

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::uint32_t ScanHexLength(std::string_view digits) {
    if (digits.size() > kLengthDigits)
        digits = digits.substr(0, kLengthDigits);
    SkipBlanks(digits);
    bool negative = TakeSign(digits);
    if (digits.size() >= 3 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X') &&
        HexDigit(digits[2]) >= 0) {
        digits.remove_prefix(2);
    }
    std::uint32_t value = 0;
    for (char c : digits) {
        int d = HexDigit(c);
        if (d < 0)
            break;
        value = value * 16 + static_cast<std::uint32_t>(d);
    }
    return negative ? 0u - value : value;
}

std::int64_t ParseTime(std::string_view text) {
    SkipBlanks(text);
    bool negative = TakeSign(text);
    // Accumulate towards the sign so that the most negative value fits; clamp
    // on overflow as strtol does.
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        int d = c - '0';
        if (negative) {
            value = value < (kMin + d) / 10 ? kMin : value * 10 - d;
        } else {
            value = value > (kMax - d) / 10 ? kMax : value * 10 + d;
        }
    }
    return value;
}

std::int32_t ParseInt(std::string_view text) {
    // glibc's atoi is (int) strtol: the long is clamped, then cut to 32 bits.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(ParseTime(text))));
}

float ParseFloat(std::string_view text) {
    static locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    std::string copy(text);  // strtod needs a terminated string
    return static_cast<float>(strtod_l(copy.c_str(), nullptr, c_locale));
}

void AppendRecord(std::string& out, int level, int type, std::string_view payload) {
    char header[kLengthDigits + 32];
    int n =
        std::snprintf(header, sizeof header, "%08zx%03d:%03d", payload.size() + kHeaderSize + 1, level, type);
    out.append(header, static_cast<std::size_t>(n));
    out.append(payload);
    out.push_back(kRecordEnd);
}

PayloadWriter& PayloadWriter::Text(std::string_view bytes) {
    AppendField(m_text, bytes);
    return *this;
}

PayloadWriter& PayloadWriter::Int(std::int32_t value) {
    return Time(value);
}

PayloadWriter& PayloadWriter::Time(std::int64_t value) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    return Text(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
}

PayloadWriter& PayloadWriter::Float(float value) {
    // "%f" without the locale's decimal comma.
    char digits[400];
    auto result = std::to_chars(digits, digits + sizeof digits, static_cast<double>(value),
                                std::chars_format::fixed, 6);
    return Text(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
}

std::string PayloadWriter::Finish() {
    m_text.push_back(kPayloadClose);
    return std::move(m_text);
}

std::optional<std::string_view> PayloadReader::Next() {
    if (m_rest.size() < kLengthDigits)
        return std::nullopt;
    std::size_t length = ScanHexLength(m_rest.substr(0, kLengthDigits));
    m_rest.remove_prefix(kLengthDigits);
    if (m_rest.size() < length)
        return std::nullopt;
    std::string_view field = m_rest.substr(0, length);
    m_rest.remove_prefix(length);
    return field;
}

void PayloadReader::Text(CLumText& field) {
    if (auto text = Next())
        field.Set(*text);
}

void PayloadReader::Int(std::atomic<std::int32_t>& field) {
    if (auto text = Next())
        field = ParseInt(*text);
}

void PayloadReader::Time(std::atomic<std::int64_t>& field) {
    if (auto text = Next())
        field = ParseTime(*text);
}

void PayloadReader::Byte(std::atomic<bool>& field) {
    if (auto text = Next())
        field = ParseInt(*text) != 0;
}

void PayloadReader::Float(std::atomic<float>& field) {
    if (auto text = Next())
        field = ParseFloat(*text);
}

namespace {

template <class... Calls>
struct Overloaded : Calls... {
    using Calls::operator()...;
};
template <class... Calls>
Overloaded(Calls...) -> Overloaded<Calls...>;  // clang has no deduction for aggregates yet

}  // namespace

void ReadFields(std::string_view payload, std::span<const FieldRef> fields) {
    PayloadReader reader(payload);
    for (const FieldRef& field : fields) {
        std::visit(Overloaded{[&](CLumText* text) { reader.Text(*text); },
                              [&](std::atomic<std::int32_t>* value) { reader.Int(*value); },
                              [&](std::atomic<float>* value) { reader.Float(*value); }},
                   field);
    }
}

std::string WriteFields(std::span<const FieldRef> fields) {
    PayloadWriter writer;
    for (const FieldRef& field : fields) {
        std::visit(Overloaded{[&](CLumText* text) { writer.Text(*text); },
                              [&](std::atomic<std::int32_t>* value) { writer.Int(*value); },
                              [&](std::atomic<float>* value) { writer.Float(*value); }},
                   field);
    }
    return writer.Finish();
}

}  // namespace treerecord
