// The network back end against listeners of the test's own, on 127.0.0.1
// and ::1.
#include "link_test_support.h"
#include "network_printer.h"

#include <netdb.h>
#include <sys/socket.h>

#include <optional>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// A listening socket on a free port of `host` (an IPv4 or IPv6 address).
class Listener {
public:
    explicit Listener(const char* host, int backlog = 1)
    {
        addrinfo hints{};
        hints.ai_flags = AI_NUMERICHOST | AI_PASSIVE;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* address = nullptr;
        if (::getaddrinfo(host, "0", &hints, &address) != 0)
            return;
        sockaddr_storage bound{};
        auto* boundAddress = reinterpret_cast<sockaddr*>(&bound);
        socklen_t length = sizeof bound;
        char port[NI_MAXSERV] = "";
        m_fd = ::socket(address->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd >= 0 && ::bind(m_fd, address->ai_addr, address->ai_addrlen) == 0 && ::listen(m_fd, backlog) == 0 &&
            ::getsockname(m_fd, boundAddress, &length) == 0 &&
            ::getnameinfo(boundAddress, length, nullptr, 0, port, sizeof port, NI_NUMERICSERV) == 0)
            m_portName = NetworkPortName({host, static_cast<std::uint16_t>(std::stoi(port))});
        ::freeaddrinfo(address);
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
        if (address) {
            EXPECT_EQ(ParseNetworkPortName(NetworkPortName(*address)), address);
        }
    }
}

TEST(NetworkPrinter, RefusedOrSilentPeersGiveUpWithinTheTimeout)
{
    std::string refusedName;
    {
        Listener gone("127.0.0.1");
        refusedName = gone.PortName();
    }
    ASSERT_FALSE(refusedName.empty());
    const auto component = MakeCommunicationComponent();
    component->SetTimeouts(300, 300);
    component->Open(refusedName);
    EXPECT_FALSE(component->IsOpen());

    // A listener that never accepts and whose queue is full drops the
    // handshake, so the connection is never made.
    Listener full("127.0.0.1", 0);
    ASSERT_FALSE(full.PortName().empty());
    std::vector<std::unique_ptr<ICommunication>> queued;
    for (int i = 0; i < 2; ++i) {
        queued.push_back(MakeCommunicationComponent());
        queued.back()->SetTimeouts(300, 300);
        queued.back()->Open(full.PortName());
    }
    const auto started = std::chrono::steady_clock::now();
    component->Open(full.PortName());
    EXPECT_FALSE(component->IsOpen());
    // Bounded by the time-out, not by the system's minutes of retries.
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

class NetworkLink : public ::testing::TestWithParam<const char*> {};

// A download refuses other commands while it writes, Abort stops one that
// the peer does not take at once and silently, and a peer that goes away in
// the middle of one ends it with TransferFailed. (Commands and replies over
// TCP: NetworkPrinterCli.EveryCommandOverTcp.)
TEST_P(NetworkLink, TheEndsOfADownload)
{
    Listener peer(GetParam());
    ASSERT_FALSE(peer.PortName().empty()) << "no " << GetParam() << " here";
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

INSTANTIATE_TEST_SUITE_P(Loopback, NetworkLink, ::testing::Values("127.0.0.1", "::1"));

}  // namespace
