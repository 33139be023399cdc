#include "runtime/message.h"

#include <utility>

void ReplyBlock::Answer(intptr_t result) {
    event_.SetWith([&] {
        result_ = result;
        ++replyCount_;
    });
}

void ReplyBlock::Abandon() {
    event_.SetWith([&] {
        abandoned_ = true;
        ++replyCount_;
    });
}

bool ReplyBlock::WaitForAnswer() {
    waiting_ = true;
    event_.WaitFor([&] { return replyCount_ >= 1; });
    return !abandoned_;
}

CLumAOSM_Message::CLumAOSM_Message(const CLumAOSM_Message& other)
    : signal_(other.signal_), reply_(other.reply_) {
    for (int i = 0; i < kParamCount; ++i) {
        const Param& from = other.params_[i];
        Param& to = params_[i];
        if (from.data != nullptr && from.length != 0 && from.owned == 1) {
            to.data = new unsigned char[static_cast<size_t>(from.length)];
            std::memcpy(to.data, from.data, static_cast<size_t>(from.length));
            to.length = from.length;
            to.owned = 1;
        } else if (from.data != nullptr && from.owned == 0) {
            to = from;
        }
    }
}

CLumAOSM_Message::CLumAOSM_Message(CLumAOSM_Message&& other) noexcept
    : signal_(other.signal_), reply_(other.reply_) {
    for (int i = 0; i < kParamCount; ++i)
        params_[i] = std::exchange(other.params_[i], Param{});
    other.reply_ = nullptr;
}

CLumAOSM_Message& CLumAOSM_Message::operator=(CLumAOSM_Message other) noexcept {
    std::swap(signal_, other.signal_);
    std::swap(reply_, other.reply_);
    std::swap(time1_, other.time1_);
    std::swap(time2_, other.time2_);
    for (int i = 0; i < kParamCount; ++i)
        std::swap(params_[i], other.params_[i]);
    return *this;
}

CLumAOSM_Message::~CLumAOSM_Message() {
    for (Param& param : params_)
        FreeParam(param);
}

void CLumAOSM_Message::FreeParam(Param& param) {
    if (param.data != nullptr && param.owned == 1 && param.length != 0)
        delete[] static_cast<unsigned char*>(param.data);
    param = Param{};
}

bool CLumAOSM_Message::SetParam(int index, const void* data, int32_t length, bool borrow) {
    if (index < 0 || index >= kParamCount || data == nullptr)
        return false;
    if (!borrow && length <= 0)
        return false;
    Param& param = params_[index];
    FreeParam(param);  // a re-set slot would otherwise leak its old copy
    if (borrow) {
        param.data = const_cast<void*>(data);
        param.length = length;
        param.owned = 0;
    } else {
        param.data = new unsigned char[static_cast<size_t>(length)];
        std::memcpy(param.data, data, static_cast<size_t>(length));
        param.length = length;
        param.owned = 1;
    }
    return true;
}

bool CLumAOSM_Message::GetParam(int index, void** data, int32_t* length, bool* borrowed) const {
    if (index < 0 || index >= kParamCount)
        return false;
    const Param& param = params_[index];
    if (data != nullptr)
        *data = param.data;
    if (length != nullptr)
        *length = param.length;
    if (borrowed != nullptr)
        *borrowed = param.owned != 1;
    return true;
}

void LumAOSM_Reply(const CLumAOSM_Message& message, intptr_t result) {
    if (ReplyBlock* reply = message.GetReply())
        reply->Answer(result);
}
