#include "expected_messages.h"

#include <QTest>

ExpectedMessages::ExpectedMessages()
{
    m_previous = SetMessageHandler([this](const std::string& text, MessageIcon, MessageButtons buttons) {
        m_shown.push_back(text);
        if (!m_expected.empty() && m_expected.front().text == text) {
            const MessageChoice answer = m_expected.front().answer;
            m_expected.pop_front();
            return answer;
        }
        const std::string failure = "unexpected message: \"" + text + "\"" +
                                    (m_expected.empty() ? "" : ", expected \"" + m_expected.front().text + "\"");
        QTest::qFail(failure.c_str(), __FILE__, __LINE__);
        return buttons == MessageButtons::YesNo ? MessageChoice::No
                                                : (buttons == MessageButtons::OkCancel ? MessageChoice::Cancel
                                                                                        : MessageChoice::Ok);
    });
}

ExpectedMessages::~ExpectedMessages()
{
    SetMessageHandler(std::move(m_previous));
}

void ExpectedMessages::Expect(std::string text, MessageChoice answer)
{
    m_expected.push_back({std::move(text), answer});
}
