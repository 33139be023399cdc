#include "screensaver/ini_file.h"

#include <algorithm>
#include <cctype>

namespace scr {
namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

// "[name]" gives name; anything else nothing.
std::optional<std::string> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Lower(Trim(line.substr(1, close - 1)));
}

// The key of a "key=value" line, or nothing for comments, blanks and sections.
std::optional<std::string_view> KeyOf(std::string_view line) {
    const auto t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[')
        return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return Trim(line.substr(0, eq));
}

}  // namespace

IniDocument::IniDocument(std::string_view text) {
    std::string section;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (auto name = SectionName(line))
            section = *name;
        lines_.push_back({std::string(line), section});
    }
}

std::optional<std::size_t> IniDocument::FindKey(std::string_view section, std::string_view key) const {
    const std::string sec = Lower(section);
    const std::string k = Lower(key);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].section != sec || SectionName(lines_[i].text))
            continue;
        const auto lk = KeyOf(lines_[i].text);
        if (lk && Lower(*lk) == k)
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key,
                                            std::size_t maxLength) const {
    const auto i = FindKey(section, key);
    if (!i)
        return std::nullopt;
    const std::string& line = lines_[*i].text;
    std::string_view v = Trim(std::string_view(line).substr(line.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return std::string(v.substr(0, maxLength));
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string entry = std::string(key) + "=" + std::string(value);
    if (const auto i = FindKey(section, key)) {
        lines_[*i].text = entry;
        return;
    }
    const std::string sec = Lower(section);
    // After the section's last key line, or a new section at the end.
    std::optional<std::size_t> last;
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].section == sec && (SectionName(lines_[i].text) || KeyOf(lines_[i].text)))
            last = i;
    if (!last) {
        lines_.push_back({"[" + std::string(section) + "]", sec});
        last = lines_.size() - 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*last) + 1, Line{entry, sec});
}

std::string IniDocument::Text() const {
    std::string out;
    for (const auto& l : lines_)
        out += l.text + "\n";
    return out;
}

}  // namespace scr
