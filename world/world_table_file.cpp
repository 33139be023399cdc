#include "world/world_table_file.h"

#include "platform/regular_file.h"

#include <charconv>
#include <cstdint>
#include <fstream>
#include <streambuf>
#include <system_error>

namespace world {
namespace {

// Whitespace as the C library's scanf sees it.
bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

class TokenReader {
public:
    explicit TokenReader(std::streambuf& in) : in_(in) {}

    // The next token, or false at the end of the input. A token longer than `kMaxNameBytes`
    // is consumed whole but kept only in part, and `tooLong` says so.
    bool Next(std::string& token, bool& tooLong) {
        using Traits = std::streambuf::traits_type;
        int c = in_.sbumpc();
        while (c != Traits::eof() && IsSpace(c)) {
            if (c == '\n')
                ++line_;
            c = in_.sbumpc();
        }
        if (c == Traits::eof())
            return false;
        tokenLine_ = line_;
        token.clear();
        tooLong = false;
        while (c != Traits::eof() && !IsSpace(c)) {
            if (token.size() < kMaxNameBytes)
                token.push_back(static_cast<char>(c));
            else
                tooLong = true;
            c = in_.sbumpc();
        }
        if (c == '\n')
            ++line_;
        return true;
    }

    int TokenLine() const { return tokenLine_; }
    int Line() const { return line_; }

private:
    std::streambuf& in_;
    int line_ = 1;
    int tokenLine_ = 1;
};

std::optional<int32_t> ParseInt(std::string_view token) {
    if (!token.empty() && token.front() == '+')
        token.remove_prefix(1);
    int32_t value = 0;
    const char* end = token.data() + token.size();
    auto [ptr, ec] = std::from_chars(token.data(), end, value);
    if (token.empty() || ec != std::errc{} || ptr != end)
        return std::nullopt;
    return value;
}

class Reader {
public:
    explicit Reader(std::streambuf& in) : tokens_(in) {}

    WorldTable Read() {
        for (int g = 0; g < kWorldGroupCount; ++g) {
            std::string name;
            if (!Name(name, TableDamage::kTooFewGroups))
                break;
            std::optional<int32_t> count = Number(TableDamage::kShortGroup);
            if (!count)
                break;
            if (*count < 0) {
                Stop(TableDamage::kBadNumber);
                break;
            }
            table_.groups.push_back(WorldGroup{std::move(name), table_.regions.Size(), 0});
            if (!ReadRegions(*count))
                break;
        }
        return std::move(table_);
    }

private:
    bool ReadRegions(int32_t count) {
        for (int32_t i = 0; i < count; ++i) {
            Region region;
            if (!Name(region.name, TableDamage::kShortGroup))
                return false;
            std::optional<int32_t> offset = Number(TableDamage::kShortGroup);
            std::optional<int32_t> start = offset ? Number(TableDamage::kShortGroup) : std::nullopt;
            std::optional<int32_t> end = start ? Number(TableDamage::kShortGroup) : std::nullopt;
            if (!end)
                return false;
            region.offset = *offset;
            region.startRule = *start;
            region.endRule = *end;
            if (!table_.regions.Append(std::move(region))) {
                Stop(TableDamage::kTooManyRegions);
                return false;
            }
            ++table_.groups.back().count;
        }
        return true;
    }

    bool Name(std::string& name, TableDamage atEnd) {
        bool tooLong = false;
        if (!tokens_.Next(name, tooLong)) {
            Stop(atEnd, tokens_.Line());
            return false;
        }
        if (tooLong) {
            Stop(TableDamage::kNameTooLong);
            return false;
        }
        return true;
    }

    std::optional<int32_t> Number(TableDamage atEnd) {
        std::string token;
        bool tooLong = false;
        if (!tokens_.Next(token, tooLong)) {
            Stop(atEnd, tokens_.Line());
            return std::nullopt;
        }
        std::optional<int32_t> value = tooLong ? std::nullopt : ParseInt(token);
        if (!value)
            Stop(TableDamage::kBadNumber);
        return value;
    }

    void Stop(TableDamage damage, int line = 0) {
        table_.damage = damage;
        table_.damagedLine = line != 0 ? line : tokens_.TokenLine();
    }

    TokenReader tokens_;
    WorldTable table_;
};

// A read-only stream buffer over bytes that outlive it.
class ViewBuffer : public std::streambuf {
public:
    explicit ViewBuffer(std::string_view bytes) {
        char* first = const_cast<char*>(bytes.data());
        setg(first, first, first + bytes.size());
    }
};

bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

}  // namespace

WorldTable ReadWorldTable(std::streambuf& in) {
    return Reader(in).Read();
}

WorldTable ParseWorldTable(std::string_view bytes) {
    ViewBuffer buffer(bytes);
    return ReadWorldTable(buffer);
}

std::optional<WorldTable> LoadWorldTable(const std::filesystem::path& file) {
    // Only a regular file, and only so much: a FIFO or /dev/zero in its place is refused at once.
    const std::optional<std::string> bytes = platform::ReadRegularFile(file, nullptr, kWorldTableFileLimit);
    if (!bytes)
        return std::nullopt;
    return ParseWorldTable(*bytes);
}

bool Cp949Contains(std::string_view text, std::string_view needle) {
    if (needle.empty())
        return true;
    for (std::size_t at = 0; at < text.size();) {
        if (text.size() - at < needle.size())
            return false;
        if (text.compare(at, needle.size(), needle) == 0)
            return true;
        at += IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
    }
    return false;
}

std::optional<SearchHit> FindRegion(const WorldTable& table, std::string_view cp949Text) {
    if (cp949Text.empty())
        return std::nullopt;
    for (std::size_t g = 0; g < table.groups.size(); ++g) {
        const WorldGroup& group = table.groups[g];
        for (int index = group.first; index < group.first + group.count; ++index) {
            const Region* region = table.regions.Find(index);
            if (region != nullptr && Cp949Contains(region->name, cp949Text))
                return SearchHit{index, static_cast<int>(g)};
        }
    }
    return std::nullopt;
}

int ResolveRegionIndex(const WorldTable& table, int index, std::string_view cp949Name) {
    const Region* saved = table.regions.Find(index);
    if (saved != nullptr && saved->name == cp949Name)
        return index;
    for (int i = 0; i < table.regions.Size(); ++i) {
        if (table.regions.Find(i)->name == cp949Name)
            return i;
    }
    return index;
}

}  // namespace world
