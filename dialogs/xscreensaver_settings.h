#pragma once
// The user's screen-saver choice in xscreensaver's settings file (~/.xscreensaver): which
// program runs, read and changed through the resources "mode:", "selected:" and "programs:".
// Every line an edit does not need to change stays byte for byte.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace xscreensaver {

class XScreenSaverSettings {
public:
    // One entry of the "programs:" list: an optional "-" (disabled), an optional visual
    // ("GL:"), an optional quoted name, then the command line.
    struct Program {
        bool enabled = true;
        std::string name;     // without its quotes
        std::string command;  // the whole command line
        std::string program;  // its first word, quotes removed
    };

    // Nullopt, with the reason in `error`, for a text that cannot safely be edited: a NUL
    // byte, a line that is neither blank, comment nor "name: value", one of the three
    // resources given twice, an unknown mode or a selection that is not a number.
    static std::optional<XScreenSaverSettings> Parse(std::string text, std::string* error);

    const std::string& Text() const { return text_; }
    const std::vector<Program>& Programs() const { return programs_; }
    // "off", "blank", "one", "random", "random-same"; empty when the file does not say.
    const std::string& Mode() const { return mode_; }
    std::optional<int> Selected() const { return selected_; }

    // The file makes the screen saver run a program: mode "one" selecting an existing entry,
    // or a random mode (also the default when no mode is given) with an enabled entry or no
    // list of its own. "off" and "blank" run none.
    bool SelectsProgram() const;

    // The text with the program chosen: an existing entry for which `isOurs(program)` holds is
    // reused (and enabled), else `command` is appended to the list; then "selected:" names it
    // and "mode:" is "one". The same text when that already was so.
    std::string WithChosen(const std::string& command,
                           const std::function<bool(const std::string& program)>& isOurs) const;
    // The text with "mode: off"; the same text when it already was.
    std::string WithModeOff() const;

private:
    struct Resource {
        size_t begin = 0;  // first byte of its first line
        size_t end = 0;    // one past its last line's newline
        std::string value;
        std::vector<size_t> valueAt;  // byte offset in the text of each character of `value`
    };
    struct Edit {
        size_t at;
        size_t length;
        std::string replacement;
    };

    std::string Apply(std::vector<Edit> edits) const;
    Edit ReplaceValue(const Resource& resource, const std::string& value) const;
    Edit AppendProgram(const std::string& command) const;
    std::string AppendText(const std::vector<Edit>& edits) const;

    std::string text_;
    std::optional<Resource> modeRes_, selectedRes_, programsRes_;
    std::string mode_;
    std::optional<int> selected_;
    std::vector<Program> programs_;
    std::vector<size_t> disabledMarkAt_;  // offset of each entry's "-", or npos
};

// The file operations behind the settings page's box. Messages are for the user (UTF-8);
// a file that cannot be read, understood or written is left exactly as it was.
struct XScreenSaverFile {
    std::filesystem::path path;  // the settings file, normally $HOME/.xscreensaver

    // True when the file selects a program; a missing or unreadable file selects none.
    bool SelectsProgram() const;
    // Makes `program` (run with --root) the one screen saver. Empty on success, else why not.
    // A missing file is created with only these settings; xscreensaver supplies the rest.
    std::string Choose(const std::filesystem::path& program) const;
    // Sets the mode to off. Empty on success; a missing file needs nothing.
    std::string Unchoose() const;
};

// The command line of an entry for `program`: `"TIKo3" PATH --root`, the path quoted for the
// shell that xscreensaver starts it through whenever it holds anything but plain characters.
std::string ScreenSaverCommand(const std::filesystem::path& program);

}  // namespace xscreensaver
