#include <gtest/gtest.h>
#include <libusb.h>

#include <array>
#include <atomic>
#include <future>
#include <thread>

#include "link_test_support.h"
#include "usb_printer.h"
#include "wake_event.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

using LinkWaitTest = PtyLinkTest;

// The handler leaves only after it has seen the link closing and done some more.
TEST_F(LinkWaitTest, CloseReturnsOnlyOnceAnEventInProgressHasEnded)
{
    std::promise<void> entered;
    std::atomic<bool> inside{false};
    m_events.OnData([&] {
        inside = true;
        entered.set_value();
        while (m_comm->IsOpen())
            std::this_thread::yield();
        for (int i = 0; i < 1000; ++i)
            std::this_thread::yield();
        inside = false;
    });
    m_peer.Write({0x0D});
    entered.get_future().wait();
    m_comm->Close();
    EXPECT_FALSE(inside);
}

// The printer takes the query and never answers.
TEST_F(LinkWaitTest, AbortAndCloseEndTheWaitForAReplyAtOnce)
{
    m_comm->SetTimeouts(3000, 1000);
    const Bytes query{0x1D, 0x72, 0x01};
    for (const bool close : {false, true}) {
        auto reply = std::async(std::launch::async, [&] { return m_comm->SendReceive(query, 1); });
        ASSERT_EQ(m_peer.Read(query.size()), query);
        const auto start = Clock::now();
        close ? m_comm->Close() : m_comm->Abort();
        EXPECT_LT(Clock::now() - start, 100ms) << close;
        ASSERT_EQ(reply.wait_for(100ms), std::future_status::ready) << close;
        EXPECT_FALSE(reply.get().ok);
    }
}

// A silent printer on USB: every transfer slice ends without a byte.
TEST(UsbPrinterPort, DiscardAndInterruptTakeEffectDuringAReadsWait)
{
    std::promise<void> waiting;
    std::atomic<int> transfers{0};
    const auto port = MakeUsbPrinterPort(
        [&](std::uint8_t, std::span<std::uint8_t>, int& moved, std::chrono::milliseconds) {
            moved = 0;
            if (transfers++ == 0)
                waiting.set_value();
            std::this_thread::yield();
            return LIBUSB_ERROR_TIMEOUT;
        },
        0x01, 0x81);
    WakeEvent interrupt;
    std::array<std::uint8_t, 4> buffer{};
    auto read = std::async(std::launch::async, [&] { return port->Read(buffer, 3s, &interrupt); });
    waiting.get_future().wait();
    const auto start = Clock::now();
    port->DiscardInput();
    EXPECT_LT(Clock::now() - start, 100ms);
    interrupt.Set();
    ASSERT_EQ(read.wait_for(100ms), std::future_status::ready);
    EXPECT_EQ(read.get().status, IoStatus::Interrupted);
}

}  // namespace
