#pragma once

#include "user_message.h"

#include <QTest>

#include <deque>
#include <string>

// Answers the program's message boxes in a test with OK. Each message must be
// the next one expected; any other fails the running test at once instead of
// waiting for a click that never comes.
class ExpectedMessages {
public:
    ExpectedMessages()
    {
        m_previous = SetMessageHandler([this](const std::string& text, MessageIcon, MessageButtons buttons) {
            if (!m_expected.empty() && m_expected.front() == text) {
                m_expected.pop_front();
                return MessageChoice::Ok;
            }
            const std::string failure = "unexpected message: \"" + text + "\"" +
                                        (m_expected.empty() ? "" : ", expected \"" + m_expected.front() + "\"");
            QTest::qFail(failure.c_str(), __FILE__, __LINE__);
            return buttons == MessageButtons::YesNo ? MessageChoice::No : MessageChoice::Cancel;
        });
    }
    ~ExpectedMessages() { SetMessageHandler(std::move(m_previous)); }
    ExpectedMessages(const ExpectedMessages&) = delete;
    ExpectedMessages& operator=(const ExpectedMessages&) = delete;

    void Expect(std::string text) { m_expected.push_back(std::move(text)); }
    bool AllShown() const { return m_expected.empty(); }
    // For a test's cleanup: whether every expected message came; the rest is
    // forgotten, so that the next test starts with none expected.
    bool Finish()
    {
        const bool all = AllShown();
        m_expected.clear();
        return all;
    }

private:
    std::deque<std::string> m_expected;
    MessageHandler m_previous;
};
