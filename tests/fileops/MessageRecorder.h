#pragma once
// Records every message box of a test and answers them from a script (OK when the script runs dry).

#include "platform/MessageBox.h"

#include <deque>
#include <vector>

namespace testing_support {

class MessageRecorder {
public:
    MessageRecorder()
    {
        previous_ = platform::setMessageSink([this](const platform::MessageRecord& record) {
            boxes.push_back(record);
            if (answers.empty())
                return static_cast<int>(platform::IdOk);
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    ~MessageRecorder() { platform::setMessageSink(previous_); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<platform::MessageRecord> boxes;
    std::deque<int> answers;

private:
    platform::MessageSink previous_;
};

} // namespace testing_support
