// The network back end against listeners of the test's own on 127.0.0.1;
// IPv6 and a refused connection are PrinterCli's, which reaches its printer
// by both.
#include "link_test_support.h"
#include "network_printer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <optional>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// A listening socket on a free port.
class Listener {
public:
    explicit Listener(int backlog = 1)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        auto* bound = reinterpret_cast<sockaddr*>(&address);
        socklen_t length = sizeof address;
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd >= 0 && ::bind(m_fd, bound, length) == 0 && ::listen(m_fd, backlog) == 0 &&
            ::getsockname(m_fd, bound, &length) == 0)
            m_portName = NetworkPortName({"127.0.0.1", ntohs(address.sin_port)});
    }
    ~Listener()
    {
        for (int fd : {m_client, m_fd})
            if (fd >= 0)
                ::close(fd);
    }

    // Empty when the listener could not be set up.
    const std::string& PortName() const { return m_portName; }
    // The component's connection, once it has come.
    int Accept() { return m_client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC); }
    void CloseClient()
    {
        ::close(m_client);
        m_client = -1;
    }

private:
    int m_fd = -1;
    int m_client = -1;
    std::string m_portName;
};

TEST(NetworkPortNames, HostPortAndBrackets)
{
    const struct {
        const char* name;
        std::optional<NetworkAddress> address;
    } cases[] = {
        {"tcp://printer", NetworkAddress{"printer", 9100}},
        {"tcp://10.0.0.7:9101", NetworkAddress{"10.0.0.7", 9101}},
        {"tcp://[::1]", NetworkAddress{"::1", 9100}},
        {"tcp://[fe80::1]:65535", NetworkAddress{"fe80::1", 65535}},
        {"tcp://::1", std::nullopt},  // ambiguous without brackets
        {"tcp://host:0", std::nullopt},
        {"tcp://host:65536", std::nullopt},
        {"tcp://host:", std::nullopt},
        {"tcp://[::1", std::nullopt},
        {"tcp://", std::nullopt},
        {"COM1", std::nullopt},
    };
    for (const auto& [name, address] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ParseNetworkPortName(name), address);
    }
}

// A listener that never accepts and whose queue is full drops the
// handshake, so the connection is never made; the attempt is bounded by the
// read time-out, not by the system's minutes of retries.
TEST(NetworkPrinter, ASilentPeerIsGivenUpWithinTheTimeout)
{
    Listener full(0);
    ASSERT_FALSE(full.PortName().empty());
    std::vector<std::unique_ptr<ICommunication>> queued;
    for (int i = 0; i < 3; ++i) {
        queued.push_back(MakeCommunicationComponent());
        queued.back()->SetTimeouts(300, 300);
    }
    const auto started = std::chrono::steady_clock::now();
    for (const auto& component : queued)
        component->Open(full.PortName());
    EXPECT_FALSE(queued.back()->IsOpen());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

// A download refuses other commands while it writes, Abort stops one that
// the peer does not take at once and silently, and a peer that goes away in
// the middle of one ends it with TransferFailed.
TEST(NetworkLink, TheEndsOfADownload)
{
    Listener peer;
    ASSERT_FALSE(peer.PortName().empty());
    EventRecorder events;
    const auto component = MakeCommunicationComponent();
    component->SetTimeouts(2000, 1000);
    component->Open(peer.PortName());
    ASSERT_TRUE(component->IsOpen());
    component->Advise(&events);
    ASSERT_GE(peer.Accept(), 0);

    // Far more than the socket buffers hold, so the sender is still busy.
    const Bytes image = Pattern(64 * 1024 * 1024);
    ASSERT_EQ(component->Send(image, kSendModeLogoDownload), kSendOk);
    const Recorded started = events.WaitFor(5s, [](const Recorded& got) { return !got.progress.empty(); });
    ASSERT_FALSE(started.progress.empty());
    // Anything else now would mix its bytes into the logo.
    EXPECT_EQ(component->Send(image, kSendModeLogoDownload), 0);
    const Bytes query{0x1D, 0x0B};
    EXPECT_EQ(component->Send(query, kSendModeCommand), 0);
    EXPECT_FALSE(component->SendReceive(query, 1).ok);
    const auto aborting = std::chrono::steady_clock::now();
    component->Abort();
    EXPECT_LT(std::chrono::steady_clock::now() - aborting, 500ms);
    EXPECT_FALSE(events.Now().Ended());

    ASSERT_EQ(component->Send(image, kSendModeLogoDownload), kSendOk);
    peer.CloseClient();
    const Recorded ended = events.WaitFor(10s, [](const Recorded& got) { return got.failures > 0; });
    EXPECT_EQ(ended.failures, 1);
    EXPECT_NE(ended.progress.back(), 100);
    component->Advise(nullptr);
}

}  // namespace
