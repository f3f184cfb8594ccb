#include <cstdlib>

#include "link_test_support.h"
#include "port_lists.h"

namespace {

// Ports the system does not list are added through the environment, after
// the system's own; "COMn" and "LPTn" name the n-th entry.
TEST(PortLists, EnvironmentPortsOpenByNumber)
{
    PtyPeer serial;
    PtyPeer parallel;
    ASSERT_TRUE(serial.Ready() && parallel.Ready());
    const std::string serialList = ":/tmp/vellumio-absent::" + serial.SlavePath() + ":";
    ASSERT_EQ(::setenv(kSerialPortsVariable, serialList.c_str(), 1), 0);
    ASSERT_EQ(::setenv(kParallelPortsVariable, parallel.SlavePath().c_str(), 1), 0);
    auto comm = MakeCommunicationComponent();
    const auto com = comm->GetComPorts();
    const auto lpt = comm->GetLptPorts();
    ASSERT_GE(com.size(), 2u);
    EXPECT_EQ(std::vector(com.end() - 2, com.end()),
              (std::vector<std::string>{"/tmp/vellumio-absent", serial.SlavePath()}));
    ASSERT_FALSE(lpt.empty());
    EXPECT_EQ(lpt.back(), parallel.SlavePath());
    EXPECT_TRUE(IsParallelPortPath(parallel.SlavePath()));
    EXPECT_FALSE(IsParallelPortPath(serial.SlavePath()));

    const std::vector<std::uint8_t> print{0x1D, 0x2F, 0x03};
    const std::pair<std::string, PtyPeer*> ports[] = {{"COM" + std::to_string(com.size()), &serial},
                                                      {"lpt" + std::to_string(lpt.size()), &parallel},
                                                      {parallel.SlavePath(), &parallel}};
    for (const auto& [name, peer] : ports) {
        comm->Open(name);
        ASSERT_TRUE(comm->IsOpen()) << name;
        EXPECT_EQ(comm->Send(print, kSendModeCommand), kSendOk);
        EXPECT_EQ(peer->Read(print.size()), print) << name;
    }

    for (const std::string& name : std::vector<std::string>{"COM0", "COM" + std::to_string(com.size() + 1), "COM1x",
                                                            "LPT999", "PRN", "", "/nonexistent/tty"}) {
        comm->Open(name);
        EXPECT_FALSE(comm->IsOpen()) << name;
        // Nothing to write to: refused, not a crash.
        EXPECT_EQ(comm->Send(print, kSendModeCommand), 0);
        EXPECT_FALSE(comm->SendReceive(print, 1).ok);
    }
}

}  // namespace
