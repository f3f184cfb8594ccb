#pragma once

#include "user_message.h"

#include <deque>
#include <string>
#include <vector>

// Answers the program's message boxes in a test. Each message must be the
// next one expected; any other fails the running test at once instead of
// waiting for a click that never comes.
class ExpectedMessages {
public:
    ExpectedMessages();
    ~ExpectedMessages();
    ExpectedMessages(const ExpectedMessages&) = delete;
    ExpectedMessages& operator=(const ExpectedMessages&) = delete;

    void Expect(std::string text, MessageChoice answer = MessageChoice::Ok);
    // True when every expected message has been shown.
    bool AllShown() const { return m_expected.empty(); }
    // Every text shown so far, expected or not.
    const std::vector<std::string>& Shown() const { return m_shown; }

private:
    struct Expectation {
        std::string text;
        MessageChoice answer;
    };
    std::deque<Expectation> m_expected;
    std::vector<std::string> m_shown;
    MessageHandler m_previous;
};
