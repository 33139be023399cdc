#pragma once
// An asker for dialog tests: keeps every text in order and answers questions from a queue
// (OK once the queue is empty).

#include <QString>
#include <deque>
#include <vector>

#include "dialogs/message_asker.h"

namespace dialogs_test {

class FakeMessageAsker final : public IMessageAsker {
public:
    void Tell(QWidget*, const QString& text) override { told.push_back(text); }
    bool Confirm(QWidget*, const QString& text) override {
        asked.push_back(text);
        if (answers.empty())
            return true;
        const bool ok = answers.front();
        answers.pop_front();
        return ok;
    }
    // The texts told since the last call, which forgets them.
    std::vector<QString> Take() {
        std::vector<QString> texts;
        texts.swap(told);
        return texts;
    }

    std::vector<QString> told;
    std::vector<QString> asked;
    std::deque<bool> answers;
};

}  // namespace dialogs_test
