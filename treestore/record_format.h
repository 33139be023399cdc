#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "treestore/tree_node.h"

// The tree file format, shared by the writer and the reader.
//
// A file is a pre-order list of records, nothing else:
//   "%08x" L        L counts every byte after these 8, the newline included
//   "%03d" level    0 for the root
//   ":"
//   "%03d" type id  -1 is written "-01"
//   "[" fields "]"
//   "\n"
// Each field is "%08x" N followed by N raw bytes (no quoting).
namespace treerecord {

inline constexpr std::size_t kLengthDigits = 8;
inline constexpr std::size_t kLevelDigits = 3;
inline constexpr std::size_t kTypeDigits = 3;
// Level, colon and type id: the bytes between the length and the payload.
inline constexpr std::size_t kHeaderSize = kLevelDigits + 1 + kTypeDigits;
// Length digits, header and newline around a payload.
inline constexpr std::size_t kRecordOverhead = kLengthDigits + kHeaderSize + 1;
// The shortest record that can be placed: header, "[]" and newline.
inline constexpr std::size_t kMinRecordLength = kHeaderSize + 3;
inline constexpr int kLevelSlots = 100;  // levels 0-99
inline constexpr char kPayloadOpen = '[';
inline constexpr char kPayloadClose = ']';
inline constexpr char kRecordEnd = '\n';

// Scans up to the first `kLengthDigits` bytes as C's "%x" would: leading
// blanks, an optional sign and "0x", then hex digits; 0 when there are none.
std::uint32_t ScanHexLength(std::string_view digits);
// A hex digit's value, or -1 for any other byte.
int HexDigit(char c);
// C's atoi / atol (as glibc does them) and atof in the "C" locale.
std::int32_t ParseInt(std::string_view text);
std::int64_t ParseTime(std::string_view text);
float ParseFloat(std::string_view text);

// One record: length, level, type id, payload, newline.
void AppendRecord(std::string& out, int level, int type, std::string_view payload);

// Builds a payload field by field.
class PayloadWriter {
public:
    PayloadWriter() : m_text(1, kPayloadOpen) {}
    PayloadWriter& Text(std::string_view bytes);
    PayloadWriter& Text(const CLumText& field) { return Text(field.Get()); }
    PayloadWriter& Int(std::int32_t value);
    PayloadWriter& Time(std::int64_t value);
    PayloadWriter& Byte(bool value) { return Int(value ? 1 : 0); }
    PayloadWriter& Float(float value);
    // Closes the payload and hands it over; the writer is spent.
    std::string Finish();

private:
    std::string m_text;
};

// Consumes a payload (brackets removed) from the front. A field whose length
// header is missing or whose text runs past the payload leaves the target at
// its default.
class PayloadReader {
public:
    explicit PayloadReader(std::string_view payload) : m_rest(payload) {}
    std::optional<std::string_view> Next();

    void Text(CLumText& field);
    void Int(std::atomic<std::int32_t>& field);
    void Time(std::atomic<std::int64_t>& field);
    void Byte(std::atomic<bool>& field);
    void Float(std::atomic<float>& field);

private:
    std::string_view m_rest;
};

// One persisted field of a record. A record's table of them, in file order, is what both its
// reader and its writer walk, so the two cannot list different fields.
using FieldRef = std::variant<CLumText*, std::atomic<std::int32_t>*, std::atomic<float>*>;
void ReadFields(std::string_view payload, std::span<const FieldRef> fields);
std::string WriteFields(std::span<const FieldRef> fields);

}  // namespace treerecord
