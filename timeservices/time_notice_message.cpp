#include "timeservices/time_notice_message.h"

#include <string>

namespace {

void PutFixed(std::string& out, uint64_t value, size_t size) {
    for (size_t i = 0; i < size; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

bool ConsumeFixed(std::string_view& in, size_t size, uint64_t* value) {
    if (in.size() < size)
        return false;
    uint64_t result = 0;
    for (size_t i = 0; i < size; ++i)
        result |= static_cast<uint64_t>(static_cast<uint8_t>(in[i])) << (8 * i);
    in.remove_prefix(size);
    *value = result;
    return true;
}

bool ConsumeText(std::string_view& in, std::string* text) {
    uint64_t length = 0;
    if (!ConsumeFixed(in, notice_format::kLengthSize, &length))
        return false;
    if (length > notice_format::kMaxTextSize || length > in.size())
        return false;
    text->assign(in.data(), static_cast<size_t>(length));
    in.remove_prefix(static_cast<size_t>(length));
    return true;
}

void PutText(std::string& out, const std::string& text) {
    // Longer texts are cut rather than refused: a result line never comes near the bound.
    const size_t length =
        text.size() < notice_format::kMaxTextSize ? text.size() : notice_format::kMaxTextSize;
    PutFixed(out, length, notice_format::kLengthSize);
    out.append(text.data(), length);
}

}  // namespace

std::string EncodeTimeNotice(const TimeNotice& notice) {
    std::string out;
    PutFixed(out, static_cast<uint64_t>(notice.tTime), 8);
    out.push_back(notice.bSetClock ? 1 : 0);
    out.push_back(notice.bAnswered ? 1 : 0);
    PutText(out, notice.strMessage);
    PutText(out, notice.strServer);
    PutText(out, notice.strOffset);
    PutText(out, notice.strLastSync);
    return out;
}

bool DecodeTimeNotice(std::string_view in, TimeNotice* notice) {
    TimeNotice result;
    uint64_t time = 0;
    uint64_t setClock = 0;
    uint64_t answered = 0;
    if (!ConsumeFixed(in, 8, &time) || !ConsumeFixed(in, 1, &setClock) || !ConsumeFixed(in, 1, &answered))
        return false;
    if (setClock > 1 || answered > 1)
        return false;
    result.tTime = static_cast<int64_t>(time);
    result.bSetClock = setClock != 0;
    result.bAnswered = answered != 0;
    if (!ConsumeText(in, &result.strMessage) || !ConsumeText(in, &result.strServer) ||
        !ConsumeText(in, &result.strOffset) || !ConsumeText(in, &result.strLastSync))
        return false;
    if (!in.empty())
        return false;
    *notice = std::move(result);
    return true;
}

bool PutTimeNotice(CLumAOSM_Message& message, int index, const TimeNotice& notice) {
    const std::string bytes = EncodeTimeNotice(notice);
    return message.SetParam(index, bytes.data(), static_cast<int32_t>(bytes.size()), false);
}

bool GetTimeNotice(const CLumAOSM_Message& message, int index, TimeNotice* notice) {
    void* data = nullptr;
    int32_t length = 0;
    bool borrowed = false;
    if (!message.GetParam(index, &data, &length, &borrowed) || data == nullptr || borrowed || length <= 0)
        return false;
    return DecodeTimeNotice(std::string_view(static_cast<const char*>(data), static_cast<size_t>(length)),
                            notice);
}
