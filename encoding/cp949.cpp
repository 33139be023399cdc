#include "encoding/cp949.h"

#include <iconv.h>

#include <cerrno>

namespace encoding {
namespace {

constexpr char kCp949[] = "CP949";
constexpr char kUtf8[] = "UTF-8";
constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (ok())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    void Reset() { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

    // Converts as much of `in` as it can, appending to `out`; returns errno of
    // the stop (0 when everything was converted) and advances `in`.
    int Convert(std::string_view& in, std::string& out) {
        char buffer[1024];
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        int error = 0;
        while (left > 0) {
            char* dst = buffer;
            std::size_t room = sizeof buffer;
            std::size_t rc = iconv(m_cd, &src, &left, &dst, &room);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
                error = errno;
                break;
            }
        }
        in.remove_prefix(in.size() - left);
        return error;
    }

private:
    iconv_t m_cd;
};

// Both encodings keep ASCII as it is; text of ASCII alone needs no conversion table, so a
// process that shows none loads none.
bool IsAscii(std::string_view text) {
    for (unsigned char c : text) {
        if (c >= 0x80)
            return false;
    }
    return true;
}

std::optional<std::string> ConvertExact(const char* to, const char* from, std::string_view in) {
    if (IsAscii(in))
        return std::string(in);
    Converter converter(to, from);
    if (!converter.ok())
        return std::nullopt;
    std::string out;
    out.reserve(in.size() * 2);
    if (converter.Convert(in, out) != 0)
        return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> Cp949ToUtf8(std::string_view cp949) {
    return ConvertExact(kUtf8, kCp949, cp949);
}

std::optional<std::string> Utf8ToCp949(std::string_view utf8) {
    return ConvertExact(kCp949, kUtf8, utf8);
}

std::string Cp949ToUtf8Lossy(std::string_view cp949) {
    if (IsAscii(cp949))
        return std::string(cp949);
    Converter converter(kUtf8, kCp949);
    std::string out;
    if (!converter.ok()) {
        // Without the table only ASCII is shown as it is.
        for (unsigned char c : cp949)
            out += c < 0x80 ? std::string(1, static_cast<char>(c)) : kReplacement;
        return out;
    }
    while (!cp949.empty()) {
        if (converter.Convert(cp949, out) == 0)
            break;
        // Skip one bad byte (an incomplete tail is bad too) and start afresh.
        out += kReplacement;
        cp949.remove_prefix(1);
        converter.Reset();
    }
    return out;
}

}  // namespace encoding
