#pragma once
// A small INI document that keeps every line it does not change, like the profile functions.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scr {

class IniDocument {
public:
    explicit IniDocument(std::string_view text = {});

    // The value of key in section (names compare without case), blanks trimmed and one pair of
    // surrounding quotes removed; at most maxLength characters.
    std::optional<std::string> Get(std::string_view section, std::string_view key,
                                   std::size_t maxLength = 99) const;
    // Replaces the first such key, or appends it to the section, or appends the section.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    std::string Text() const;

private:
    struct Line {
        std::string text;
        std::string section;  // lower-case name of the section the line is in
    };
    std::optional<std::size_t> FindKey(std::string_view section, std::string_view key) const;
    std::vector<Line> lines_;
};

}  // namespace scr
