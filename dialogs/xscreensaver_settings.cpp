#include "dialogs/xscreensaver_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <string_view>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/regular_file.h"

namespace xscreensaver {

namespace {

constexpr size_t npos = std::string::npos;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// The first word of a command line as /bin/sh reads it: quotes group and are dropped, and a
// backslash outside single quotes stands for the character after it ('it'\''s' is "it's").
std::string FirstWord(std::string_view command) {
    std::string word;
    char quote = 0;
    for (size_t i = 0; i < command.size(); ++i) {
        const char c = command[i];
        const bool escapes =
            i + 1 < command.size() &&
            (quote == 0 || (quote == '"' && std::string_view("\"\\$`").find(command[i + 1]) != npos));
        if (quote != 0 && c == quote)
            quote = 0;
        else if (quote == 0 && (c == '\'' || c == '"'))
            quote = c;
        else if (quote != '\'' && c == '\\' && escapes)
            word += command[++i];
        else if (quote == 0 && IsSpace(c))
            break;
        else
            word += c;
    }
    return word;
}

constexpr std::string_view kModes[] = {"off", "blank", "one", "random", "random-same"};

// How a new entry is written: indented like the lines xscreensaver writes, ended by the
// list's separator.
std::string EntryLine(const std::string& command) {
    return "\t\t\t\t" + command + "\t\\n";
}

}  // namespace

std::optional<XScreenSaverSettings> XScreenSaverSettings::Parse(std::string text, std::string* error) {
    auto fail = [error](std::string why) {
        if (error != nullptr)
            *error = std::move(why);
        return std::nullopt;
    };
    XScreenSaverSettings s;
    s.text_ = std::move(text);
    const std::string& t = s.text_;
    if (t.find('\0') != npos)
        return fail("the file holds a NUL byte");

    size_t pos = 0;
    int lineNumber = 0;
    while (pos < t.size()) {
        Resource r;
        r.begin = pos;
        const int firstLine = lineNumber + 1;
        std::string logical;
        std::vector<size_t> at;
        bool comment = false;
        // One resource: a line and the lines its trailing backslashes continue it onto.
        for (bool first = true; pos < t.size(); first = false) {
            const size_t newline = t.find('\n', pos);
            const size_t contentEnd = newline == npos ? t.size() : newline;
            const size_t next = newline == npos ? t.size() : newline + 1;
            ++lineNumber;
            const std::string_view content(t.data() + pos, contentEnd - pos);
            if (first) {
                const std::string_view trimmed = Trim(content);
                if (!trimmed.empty() && (trimmed.front() == '#' || trimmed.front() == '!')) {
                    comment = true;
                    pos = next;
                    break;
                }
            }
            const bool continued = !content.empty() && content.back() == '\\';
            const size_t take = continued ? content.size() - 1 : content.size();
            for (size_t i = 0; i < take; ++i) {
                logical.push_back(t[pos + i]);
                at.push_back(pos + i);
            }
            pos = next;
            if (!continued)
                break;
        }
        r.end = pos;
        if (comment || Trim(logical).empty())
            continue;
        const size_t colon = logical.find(':');
        if (colon == npos)
            return fail("line " + std::to_string(firstLine) + " is not a setting");
        const std::string key(Trim(std::string_view(logical).substr(0, colon)));
        size_t valueStart = colon + 1;
        while (valueStart < logical.size() && IsSpace(logical[valueStart]))
            ++valueStart;
        r.value = logical.substr(valueStart);
        r.valueAt.assign(at.begin() + static_cast<std::ptrdiff_t>(valueStart), at.end());
        std::optional<Resource>* slot = key == "mode"       ? &s.modeRes_
                                        : key == "selected" ? &s.selectedRes_
                                        : key == "programs" ? &s.programsRes_
                                                            : nullptr;
        if (slot == nullptr)
            continue;
        // Which of two would count is not ours to guess.
        if (slot->has_value())
            return fail("\"" + key + ":\" is given twice");
        *slot = std::move(r);
    }

    if (s.modeRes_) {
        s.mode_ = std::string(Trim(s.modeRes_->value));
        if (std::find(std::begin(kModes), std::end(kModes), s.mode_) == std::end(kModes))
            return fail("unknown mode \"" + s.mode_ + "\"");
    }
    if (s.selectedRes_) {
        const std::string_view value = Trim(s.selectedRes_->value);
        int n = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
        if (value.empty() || ec != std::errc() || end != value.data() + value.size())
            return fail("\"selected:\" is not a number");
        s.selected_ = n;
    }
    if (s.programsRes_) {
        // Entries are separated by the two characters \n; blank pieces are no entries.
        const std::string& v = s.programsRes_->value;
        size_t a = 0;
        while (a <= v.size()) {
            size_t b = v.find("\\n", a);
            if (b == npos)
                b = v.size();
            size_t k = a;
            while (k < b && IsSpace(v[k]))
                ++k;
            if (k < b) {
                Program p;
                size_t mark = npos;
                if (v[k] == '-') {
                    p.enabled = false;
                    mark = s.programsRes_->valueAt[k];
                    ++k;
                    while (k < b && IsSpace(v[k]))
                        ++k;
                }
                // A visual ("GL:", "default-n:") is a first word ending in a colon.
                size_t w = k;
                while (w < b && !IsSpace(v[w]))
                    ++w;
                if (w > k + 1 && v[w - 1] == ':' && v[k] != '"' && v[k] != '\'') {
                    k = w;
                    while (k < b && IsSpace(v[k]))
                        ++k;
                }
                if (k < b && v[k] == '"') {
                    const size_t close = v.find('"', k + 1);
                    if (close != npos && close < b) {
                        p.name = v.substr(k + 1, close - k - 1);
                        k = close + 1;
                    }
                }
                p.command = std::string(Trim(std::string_view(v).substr(k, b - k)));
                p.program = FirstWord(p.command);
                s.programs_.push_back(std::move(p));
                s.disabledMarkAt_.push_back(mark);
            }
            a = b + 2;
        }
    }
    return s;
}

bool XScreenSaverSettings::SelectsProgram() const {
    // xscreensaver's own default is a random program.
    const std::string mode = mode_.empty() ? "random" : mode_;
    if (mode == "off" || mode == "blank")
        return false;
    if (mode == "one") {
        if (!selected_ || *selected_ < 0)
            return false;
        return !programsRes_ || static_cast<size_t>(*selected_) < programs_.size();
    }
    return !programsRes_ ||
           std::any_of(programs_.begin(), programs_.end(), [](const Program& p) { return p.enabled; });
}

XScreenSaverSettings::Edit XScreenSaverSettings::ReplaceValue(const Resource& r,
                                                              const std::string& value) const {
    const std::string& v = r.value;
    size_t last = v.size();
    while (last > 0 && IsSpace(v[last - 1]))
        --last;
    if (last == 0) {
        // "name:" with nothing after it: the value goes before the line's end.
        const size_t at = r.end > r.begin && text_[r.end - 1] == '\n' ? r.end - 1 : r.end;
        return {at, 0, "\t" + value};
    }
    const size_t at = r.valueAt[0];
    return {at, r.valueAt[last - 1] + 1 - at, value};
}

XScreenSaverSettings::Edit XScreenSaverSettings::AppendProgram(const std::string& command) const {
    const Resource& r = *programsRes_;
    const std::string& t = text_;
    const size_t contentEnd = r.end > r.begin && t[r.end - 1] == '\n' ? r.end - 1 : r.end;
    size_t lineBegin = contentEnd;
    while (lineBegin > r.begin && t[lineBegin - 1] != '\n')
        --lineBegin;
    const std::string_view lastLine(t.data() + lineBegin, contentEnd - lineBegin);
    const std::string_view value = Trim(r.value);
    const bool separated = value.empty() || value.ends_with("\\n");
    const std::string entry = EntryLine(command);
    if (lineBegin > r.begin && Trim(lastLine).empty()) {
        // The usual end: the last entry's line continues onto a blank line. The new entry
        // goes between them.
        return {lineBegin, 0, (separated ? "" : "\\n\\\n") + entry + "\\\n"};
    }
    if (!lastLine.empty() && lastLine.back() == '\\') {
        // The list continues up to the end of the file.
        const std::string lead = contentEnd == t.size() ? "\n" : "";
        const size_t at = contentEnd == t.size() ? contentEnd : contentEnd + 1;
        return {at, 0, lead + (separated ? "" : "\\n\\\n") + entry + "\n"};
    }
    // The list's last line ends the resource: it is continued onto the new entry.
    return {contentEnd, 0,
            (separated ? "" : " \\n") + std::string("\\\n") + entry + (contentEnd == t.size() ? "\n" : "")};
}

std::string XScreenSaverSettings::AppendText(const std::vector<Edit>& edits) const {
    // A last line without its newline gets one, unless an edit there already ended it.
    const bool ended =
        std::any_of(edits.begin(), edits.end(), [this](const Edit& e) { return e.at == text_.size(); });
    return !text_.empty() && text_.back() != '\n' && !ended ? "\n" : "";
}

std::string XScreenSaverSettings::Apply(std::vector<Edit> edits) const {
    // From the end backwards; of two edits at one place, the one made later ends up after.
    std::reverse(edits.begin(), edits.end());
    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at > b.at; });
    std::string out = text_;
    for (const Edit& e : edits)
        out.replace(e.at, e.length, e.replacement);
    return out;
}

std::string XScreenSaverSettings::WithChosen(const std::string& command,
                                             const std::function<bool(const std::string&)>& isOurs) const {
    std::vector<Edit> edits;
    // Resources the file lacks go to its end, in this order.
    std::string modeLine, selectedLine, programsLines;
    int index = -1;
    for (size_t i = 0; i < programs_.size(); ++i) {
        if (isOurs(programs_[i].program)) {
            index = static_cast<int>(i);
            break;
        }
    }
    if (index >= 0) {
        if (!programs_[static_cast<size_t>(index)].enabled)
            edits.push_back({disabledMarkAt_[static_cast<size_t>(index)], 1, " "});
    } else if (programsRes_) {
        index = static_cast<int>(programs_.size());
        edits.push_back(AppendProgram(command));
    } else {
        index = 0;
        programsLines = "programs:\t\\\n" + EntryLine(command) + "\\\n\n";
    }
    if (mode_ != "one") {
        if (modeRes_)
            edits.push_back(ReplaceValue(*modeRes_, "one"));
        else
            modeLine = "mode:\t\tone\n";
    }
    if (selected_ != index) {
        if (selectedRes_)
            edits.push_back(ReplaceValue(*selectedRes_, std::to_string(index)));
        else
            selectedLine = "selected:\t" + std::to_string(index) + "\n";
    }
    const std::string appended = modeLine + selectedLine + programsLines;
    if (!appended.empty())
        edits.push_back({text_.size(), 0, AppendText(edits) + appended});
    return edits.empty() ? text_ : Apply(std::move(edits));
}

std::string XScreenSaverSettings::WithModeOff() const {
    if (mode_ == "off")
        return text_;
    if (modeRes_)
        return Apply({ReplaceValue(*modeRes_, "off")});
    return Apply({{text_.size(), 0, AppendText({}) + "mode:\t\toff\n"}});
}

std::string ScreenSaverCommand(const std::filesystem::path& program) {
    const std::string path = program.string();
    const bool plain = std::all_of(path.begin(), path.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               std::strchr("_./+-", c) != nullptr;
    });
    std::string quoted = path;
    if (!plain) {
        // xscreensaver starts the line through /bin/sh.
        quoted = "'";
        for (char c : path)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        quoted += "'";
    }
    return "\"TIKo3\" " + quoted + " --root";
}

namespace {

enum class ReadState { kRead, kMissing, kFailed };

// The screen-saver daemon's settings are a few kilobytes.
constexpr std::size_t kSettingsFileLimit = std::size_t{16} << 20;

ReadState ReadSettingsFile(const std::filesystem::path& path, std::string* text, std::string* why) {
    // Without blocking: a FIFO in its place is refused, not waited on.
    bool missing = false;
    std::optional<std::string> read = platform::ReadRegularFile(path, why, kSettingsFileLimit, &missing);
    if (!read)
        return missing ? ReadState::kMissing : ReadState::kFailed;
    *text = std::move(*read);
    return ReadState::kRead;
}

std::string Said(const char* what, const std::filesystem::path& path, const std::string& why) {
    return "스크린세이버 설정 파일 " + path.string() + what + " (" + why + ")";
}
constexpr const char* kNotRead = "을(를) 읽을 수 없어 바꾸지 않았습니다.";
constexpr const char* kNotUnderstood = "의 내용을 알 수 없어 바꾸지 않았습니다.";
constexpr const char* kNotWritten = "을(를) 저장할 수 없어 바꾸지 않았습니다.";

// Written through a symbolic link (a managed dotfile stays a link to its file), also one whose
// file does not exist yet.
std::filesystem::path WriteTarget(const std::filesystem::path& path) {
    std::filesystem::path target = path;
    // As many links as the kernel follows before it gives up with ELOOP.
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(target, ec))
            return target;
        const std::filesystem::path next = std::filesystem::read_symlink(target, ec);
        if (ec)
            return target;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

std::string Write(const std::filesystem::path& path, const std::string& text) {
    errno = 0;
    if (platform::WriteFileAtomically(WriteTarget(path), text))
        return {};
    return Said(kNotWritten, path, std::strerror(errno != 0 ? errno : EIO));
}

// Reads and parses; on failure `message` says why.
std::optional<XScreenSaverSettings> Load(const std::filesystem::path& path, bool* missing,
                                         std::string* message) {
    std::string text, why;
    switch (ReadSettingsFile(path, &text, &why)) {
        case ReadState::kMissing:
            *missing = true;
            return std::nullopt;
        case ReadState::kFailed:
            *message = Said(kNotRead, path, why);
            return std::nullopt;
        case ReadState::kRead:
            break;
    }
    std::optional<XScreenSaverSettings> settings = XScreenSaverSettings::Parse(std::move(text), &why);
    if (!settings)
        *message = Said(kNotUnderstood, path, why);
    return settings;
}

}  // namespace

bool XScreenSaverFile::SelectsProgram() const {
    bool missing = false;
    std::string message;
    const std::optional<XScreenSaverSettings> settings = Load(path, &missing, &message);
    return settings && settings->SelectsProgram();
}

std::string XScreenSaverFile::Choose(const std::filesystem::path& program) const {
    const std::string programPath = program.string();
    if (programPath.find_first_of("\\\n\r") != npos)
        return Said(kNotWritten, path, "the screen saver's path holds a backslash or a line break");
    const std::string command = ScreenSaverCommand(program);
    bool missing = false;
    std::string message;
    const std::optional<XScreenSaverSettings> settings = Load(path, &missing, &message);
    if (missing) {
        return Write(path,
                     "# Screen-saver settings begun by TIKo3; xscreensaver adds the rest.\n"
                     "mode:\t\tone\n"
                     "selected:\t0\n"
                     "programs:\t\\\n" +
                         EntryLine(command) + "\\\n\n");
    }
    if (!settings)
        return message;
    const auto isOurs = [&program](const std::string& word) {
        if (word.empty())
            return false;
        if (word == program.string())
            return true;
        // A bare name is looked for where the screen savers lie.
        const std::filesystem::path candidate =
            word.find('/') == npos ? program.parent_path() / word : std::filesystem::path(word);
        std::error_code ec;
        return std::filesystem::equivalent(candidate, program, ec) && !ec;
    };
    const std::string changed = settings->WithChosen(command, isOurs);
    return changed == settings->Text() ? std::string() : Write(path, changed);
}

std::string XScreenSaverFile::Unchoose() const {
    bool missing = false;
    std::string message;
    const std::optional<XScreenSaverSettings> settings = Load(path, &missing, &message);
    if (missing)
        return {};
    if (!settings)
        return message;
    const std::string changed = settings->WithModeOff();
    return changed == settings->Text() ? std::string() : Write(path, changed);
}

}  // namespace xscreensaver
