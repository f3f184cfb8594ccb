// The network back end against listeners of the test's own, on 127.0.0.1
// and ::1.
#include "link_test_support.h"
#include "network_printer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A listening socket on a free port of `host` (an IPv4 or IPv6 address).
class Listener {
public:
    explicit Listener(const std::string& host, int backlog = 1)
    {
        const bool ipv6 = host.find(':') != std::string::npos;
        sockaddr_storage address{};
        socklen_t length = 0;
        if (ipv6) {
            auto& in6 = reinterpret_cast<sockaddr_in6&>(address);
            in6.sin6_family = AF_INET6;
            ::inet_pton(AF_INET6, host.c_str(), &in6.sin6_addr);
            length = sizeof in6;
        } else {
            auto& in4 = reinterpret_cast<sockaddr_in&>(address);
            in4.sin_family = AF_INET;
            ::inet_pton(AF_INET, host.c_str(), &in4.sin_addr);
            length = sizeof in4;
        }
        m_fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_fd, backlog) != 0)
            return;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        const std::uint16_t port = ipv6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                                        : reinterpret_cast<sockaddr_in&>(address).sin_port;
        m_address = NetworkAddress{host, ntohs(port)};
    }
    ~Listener()
    {
        for (int fd : {m_client, m_fd})
            if (fd >= 0)
                ::close(fd);
    }

    const std::optional<NetworkAddress>& Address() const { return m_address; }
    std::string PortName() const { return NetworkPortName(*m_address); }
    // The component's connection, once it has come.
    int Accept()
    {
        m_client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
        return m_client;
    }
    void CloseClient()
    {
        ::close(m_client);
        m_client = -1;
    }

private:
    int m_fd = -1;
    int m_client = -1;
    std::optional<NetworkAddress> m_address;
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
        ASSERT_TRUE(gone.Address());
        refusedName = gone.PortName();
    }
    const auto component = MakeCommunicationComponent();
    component->SetTimeouts(300, 300);
    component->Open(refusedName);
    EXPECT_FALSE(component->IsOpen());

    // A listener that never accepts and whose queue is full drops the
    // handshake, so the connection is never made.
    Listener full("127.0.0.1", 0);
    ASSERT_TRUE(full.Address());
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

// Commands and replies cross as on a serial line; a peer that goes away in
// the middle of a download ends it with TransferFailed, and Abort stops one
// that the peer does not take.
TEST_P(NetworkLink, BytesBothWaysAndTheEndsOfADownload)
{
    Listener peer(GetParam());
    ASSERT_TRUE(peer.Address()) << "no " << GetParam() << " here";
    EventRecorder events;
    const auto component = MakeCommunicationComponent();
    component->SetTimeouts(2000, 1000);
    component->Open(peer.PortName());
    ASSERT_TRUE(component->IsOpen());
    component->Advise(&events);
    const int printer = peer.Accept();
    ASSERT_GE(printer, 0);

    // The printer answers once the query has come; an answer sent before
    // would be bytes nobody asked for.
    const std::vector<std::uint8_t> query{0x1D, 0x0B};
    std::vector<std::uint8_t> asked(query.size());
    std::thread answering([&] {
        if (::recv(printer, asked.data(), asked.size(), MSG_WAITALL) == static_cast<ssize_t>(asked.size()))
            ::send(printer, "\x14", 1, MSG_NOSIGNAL);
    });
    const SendReceiveResult reply = component->SendReceive(query, 1);
    answering.join();
    EXPECT_EQ(asked, query);
    EXPECT_TRUE(reply.ok);
    EXPECT_EQ(reply.reply, std::vector<std::uint8_t>{0x14});

    // Far more than the socket buffers hold, so the sender is still busy.
    const std::vector<std::uint8_t> image = Pattern(64 * 1024 * 1024);
    ASSERT_EQ(component->Send(image, kSendModeLogoDownload), kSendOk);
    const Recorded started = events.WaitFor(5s, [](const Recorded& got) { return !got.progress.empty(); });
    ASSERT_FALSE(started.progress.empty());
    component->Abort();
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
