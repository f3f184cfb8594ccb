#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "communication_component.h"
#include "line_settings.h"
#include "pty_peer.h"

namespace {

using namespace std::chrono_literals;

const std::vector<std::uint8_t> kChecksumCheck{0x1F, 0x65, 0x07};
const std::vector<std::uint8_t> kChecksumReply{0x00, 0x01, 0x34, 0x12};

// Handlers that call back into the component from the thread that raised
// the event, as a user interface does when it checks the checksum at 100 %.
class CallingBack final : public ICommunicationEvents {
public:
    explicit CallingBack(ICommunication& comm) : m_comm(comm) {}

    void DataReceived(std::span<const std::uint8_t>) override
    {
        m_comm.Close();
        m_closedFromEvent.set_value();
    }
    void Progress(std::int32_t percent) override
    {
        if (percent == 100)
            m_verified.set_value(m_comm.SendReceive(kChecksumCheck, 4));
        else if (m_abortOnProgress)
            m_comm.Abort();
    }
    void TransferFailed() override {}

    bool m_abortOnProgress = false;
    std::promise<SendReceiveResult> m_verified;
    std::promise<void> m_closedFromEvent;

private:
    ICommunication& m_comm;
};

class ReentrantEventsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_peer.Ready());
        m_comm->put_FlowControl(kFlowCts);
        m_comm->SetTimeouts(2000, 1000);
        m_comm->Open(m_peer.SlavePath());
        ASSERT_TRUE(m_comm->IsOpen());
        m_comm->Advise(&m_handler);
    }

    PtyPeer m_peer;
    std::unique_ptr<ICommunication> m_comm = MakeCommunicationComponent();
    CallingBack m_handler{*m_comm};
};

TEST_F(ReentrantEventsTest, ChecksumCheckFromTheLastProgressEvent)
{
    const std::vector<std::uint8_t> image(5000, 0xA5);
    std::thread printer([&] {
        EXPECT_EQ(m_peer.Read(image.size()), image);
        EXPECT_EQ(m_peer.Read(kChecksumCheck.size()), kChecksumCheck);
        m_peer.Write(kChecksumReply);
    });
    auto verified = m_handler.m_verified.get_future();
    ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
    ASSERT_EQ(verified.wait_for(3s), std::future_status::ready);
    const auto result = verified.get();
    printer.join();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.reply, kChecksumReply);
}

TEST_F(ReentrantEventsTest, AbortFromAProgressEventEndsTheDownload)
{
    m_handler.m_abortOnProgress = true;
    const std::vector<std::uint8_t> image(512 * 1024, 0x5A);
    ASSERT_EQ(m_comm->Send(image, kSendModeLogoDownload), kSendOk);
    const auto taken = m_peer.Read(image.size(), 300ms);
    EXPECT_LT(taken.size(), image.size());
    EXPECT_EQ(m_comm->Send(std::vector<std::uint8_t>{0x1D, 0x23, 0x00}, kSendModeCommand), kSendOk);
}

TEST_F(ReentrantEventsTest, CloseFromADataEvent)
{
    auto closed = m_handler.m_closedFromEvent.get_future();
    m_peer.Write({0x0D});
    ASSERT_EQ(closed.wait_for(2s), std::future_status::ready);
    EXPECT_FALSE(m_comm->IsOpen());
    m_comm.reset();
}

}  // namespace
