#include "shell/help_text.h"

#include "encoding/cp949.h"
#include "platform/regular_file.h"

size_t WholeCp949Length(std::string_view bytes) {
    // Lead bytes are 0x81-0xFE and always take the next byte, whatever it is; only a walk from
    // the start tells a lead from a trail byte.
    size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const size_t width = c >= 0x81 && c <= 0xFE ? 2 : 1;
        if (i + width > bytes.size())
            break;
        i += width;
    }
    return i;
}

std::optional<std::string> ReadHelpText(const std::filesystem::path& file) {
    // A FIFO or a device in its place is refused at once rather than waited on or read forever.
    std::optional<std::string> read = platform::ReadRegularFileStart(file, kHelpTextLimit, nullptr);
    if (!read)
        return std::nullopt;
    std::string bytes = std::move(*read);
    // The text ends at a zero byte, as a C string would.
    if (const size_t zero = bytes.find('\0'); zero != std::string::npos)
        bytes.resize(zero);
    bytes.resize(WholeCp949Length(bytes));
    return encoding::Cp949ToUtf8Lossy(bytes);
}
