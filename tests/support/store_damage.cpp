#include "store_damage.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

constexpr std::size_t kLengthDigits = 8;

std::size_t LengthAt(std::string_view text, std::size_t at) {
    return std::strtoul(std::string(text.substr(at, kLengthDigits)).c_str(), nullptr, 16);
}

std::size_t StartOf(std::string_view text, std::size_t record) {
    const std::vector<std::size_t> starts = RecordStarts(text);
    if (record >= starts.size())
        throw std::out_of_range("no such record");
    return starts[record];
}

}  // namespace

std::vector<std::size_t> RecordStarts(std::string_view text) {
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at + kLengthDigits <= text.size(); at += kLengthDigits + LengthAt(text, at))
        starts.push_back(at);
    return starts;
}

std::string ChangeByte(std::string text, std::size_t record, std::size_t offset, char byte) {
    text.at(StartOf(text, record) + offset) = byte;
    return text;
}

std::string LengthOneTooLarge(std::string text, std::size_t record) {
    const std::size_t at = StartOf(text, record);
    char digits[kLengthDigits + 1];
    std::snprintf(digits, sizeof digits, "%08zx", LengthAt(text, at) + 1);
    text.replace(at, kLengthDigits, digits);
    return text;
}

std::string CutInside(std::string text, std::size_t record, std::size_t keep) {
    text.resize(StartOf(text, record) + keep);
    return text;
}
