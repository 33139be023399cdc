#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "runtime/lumtime.h"
#include "runtime/signals.h"
#include "runtime/waitevent.h"

// Answer channel of a synchronous request. It lives on the requester's stack; the queued copy of
// the request carries its address to the responder.
class ReplyBlock {
public:
    ReplyBlock() = default;
    ReplyBlock(const ReplyBlock&) = delete;
    ReplyBlock& operator=(const ReplyBlock&) = delete;

    // Responder: store the result and release the requester.
    void Answer(intptr_t result);
    // The request will never be handled (its task stopped): release the requester with a failure.
    void Abandon();
    // Requester: block until answered; true when answered, false when abandoned.
    bool WaitForAnswer();

    intptr_t Result() const { return result_; }
    bool IsWaiting() const { return waiting_; }

private:
    intptr_t result_ = 0;
    CLumTime time1_;
    CLumTime time2_;
    bool waiting_ = false;
    int32_t replyCount_ = 0;
    bool abandoned_ = false;
    CLumWaitEvent event_;
};

// A signal with up to ten parameters. Each parameter is an owned heap copy or a borrowed pointer.
// Copying duplicates the owned buffers and shares the borrowed pointers and the reply block.
class CLumAOSM_Message {
public:
    static constexpr int kParamCount = 10;

    explicit CLumAOSM_Message(int32_t signal = AO_DEFAULT_SIG) : signal_(signal) {}
    CLumAOSM_Message(const CLumAOSM_Message& other);
    CLumAOSM_Message(CLumAOSM_Message&& other) noexcept;
    CLumAOSM_Message& operator=(CLumAOSM_Message other) noexcept;
    ~CLumAOSM_Message();

    int32_t GetSignal() const { return signal_; }
    void SetSignal(int32_t signal) { signal_ = signal; }

    // borrow: keep the pointer (any length). Otherwise copy length bytes (length must be > 0).
    bool SetParam(int index, const void* data, int32_t length, bool borrow);
    bool GetParam(int index, void** data, int32_t* length, bool* borrowed) const;

    // Owned copy of a trivially copyable value.
    template <class T>
    bool SetParamValue(int index, const T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        return SetParam(index, &value, static_cast<int32_t>(sizeof(T)), false);
    }
    // Reads a value stored with SetParamValue; false when the slot is empty or of another size.
    template <class T>
    bool GetParamValue(int index, T* value) const {
        static_assert(std::is_trivially_copyable_v<T>);
        void* data = nullptr;
        int32_t length = 0;
        bool borrowed = false;
        if (!GetParam(index, &data, &length, &borrowed) || data == nullptr || length != sizeof(T))
            return false;
        std::memcpy(value, data, sizeof(T));
        return true;
    }

    void SetReply(ReplyBlock* reply) { reply_ = reply; }
    ReplyBlock* GetReply() const { return reply_; }

private:
    struct Param {
        void* data = nullptr;
        int32_t length = 0;
        int32_t owned = 0;
    };

    void FreeParam(Param& param);

    int32_t signal_;
    CLumTime time1_;
    CLumTime time2_;
    ReplyBlock* reply_ = nullptr;
    Param params_[kParamCount];
};

// Answers the synchronous request carried by message, if it carries one.
void LumAOSM_Reply(const CLumAOSM_Message& message, intptr_t result);
