#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "communication_component.h"
#include "port_lists.h"

namespace {

namespace fs = std::filesystem;

class TemporaryDir {
public:
    TemporaryDir()
    {
        std::string pattern = (fs::temp_directory_path() / "vellumio-link-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TemporaryDir()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    const fs::path& Path() const { return m_path; }
    fs::path Touch(const std::string& name) const
    {
        std::ofstream(m_path / name).put('\0');
        return m_path / name;
    }

private:
    fs::path m_path;
};

template <class List>
bool EndsWith(const List& list, const List& tail)
{
    return list.size() >= tail.size() && std::equal(tail.begin(), tail.end(), list.end() - static_cast<std::ptrdiff_t>(tail.size()));
}

TEST(NaturalOrder, NumbersCompareByValue)
{
    std::vector<std::string> names{"ttyS10", "ttyUSB0", "ttyS2", "rfcomm1", "ttyS1", "ttyACM0", "ttyS02"};
    std::sort(names.begin(), names.end(), NaturalLess);
    EXPECT_EQ(names, (std::vector<std::string>{"rfcomm1", "ttyACM0", "ttyS1", "ttyS2", "ttyS02", "ttyS10", "ttyUSB0"}));
    EXPECT_FALSE(NaturalLess("ttyS2", "ttyS2"));
    EXPECT_TRUE(NaturalLess("ttyS", "ttyS0"));
}

TEST(DeviceScan, KeepsOnlyNumberedNamesOfTheWantedKinds)
{
    TemporaryDir dir;
    for (const char* name : {"ttyS10", "ttyS2", "ttyUSB0", "ttyS", "ttySx", "tty0", "lp0", "rfcomm3"})
        dir.Touch(name);
    const std::array<std::string_view, 3> prefixes{"ttyS", "ttyUSB", "rfcomm"};
    const auto found = ScanDevices(dir.Path(), prefixes);
    const auto at = [&](const char* name) { return (dir.Path() / name).string(); };
    EXPECT_EQ(found, (std::vector<std::string>{at("rfcomm3"), at("ttyS2"), at("ttyS10"), at("ttyUSB0")}));
    EXPECT_TRUE(ScanDevices(dir.Path() / "missing", prefixes).empty());
}

TEST(PathList, SkipsEmptyEntries)
{
    EXPECT_EQ(SplitPathList(":/tmp/a::/dev/pts/7:"), (std::vector<std::string>{"/tmp/a", "/dev/pts/7"}));
    EXPECT_TRUE(SplitPathList(nullptr).empty());
    EXPECT_TRUE(SplitPathList("").empty());
}

TEST(PortLists, EnvironmentEntriesFollowTheSystemsInTheirOrder)
{
    ASSERT_EQ(::setenv(kSerialPortsVariable, "/tmp/vellumio-b:/tmp/vellumio-a", 1), 0);
    ASSERT_EQ(::setenv(kParallelPortsVariable, "/tmp/vellumio-printer", 1), 0);
    auto comm = MakeCommunicationComponent();
    EXPECT_TRUE(EndsWith(comm->GetComPorts(), std::vector<std::string>{"/tmp/vellumio-b", "/tmp/vellumio-a"}));
    EXPECT_TRUE(EndsWith(comm->GetLptPorts(), std::vector<std::string>{"/tmp/vellumio-printer"}));
    for (const auto& port : comm->GetComPorts())
        EXPECT_FALSE(IsParallelPortPath(port)) << port;
    EXPECT_TRUE(IsParallelPortPath("/tmp/vellumio-printer"));
    EXPECT_TRUE(IsParallelPortPath("/dev/usb/lp0"));
    EXPECT_TRUE(IsParallelPortPath("/dev/lp1"));
}

TEST(ParallelPort, LptNumberWritesToTheListedDevice)
{
    TemporaryDir dir;
    const fs::path printer = dir.Touch("printer");
    fs::resize_file(printer, 0);
    ASSERT_EQ(::setenv(kParallelPortsVariable, printer.c_str(), 1), 0);
    auto comm = MakeCommunicationComponent();
    const auto ports = comm->GetLptPorts();
    const auto at = std::find(ports.begin(), ports.end(), printer.string());
    ASSERT_NE(at, ports.end());

    const auto contents = [&] {
        std::ifstream written(printer, std::ios::binary);
        return std::vector<std::uint8_t>{std::istreambuf_iterator<char>(written), {}};
    };

    const std::vector<std::uint8_t> erase{0x1D, 0x40, 0x31};
    comm->Open("LPT" + std::to_string(at - ports.begin() + 1));
    ASSERT_TRUE(comm->IsOpen());
    EXPECT_EQ(comm->Send(erase, kSendModeCommand), kSendOk);
    comm->Close();
    EXPECT_EQ(contents(), erase);

    // A path in the parallel list opens as a parallel port too.
    fs::resize_file(printer, 0);
    const std::vector<std::uint8_t> print{0x1D, 0x2F, 0x00};
    comm->Open(printer.string());
    ASSERT_TRUE(comm->IsOpen());
    EXPECT_EQ(comm->Send(print, kSendModeCommand), kSendOk);
    comm->Close();
    EXPECT_EQ(contents(), print);
}

}  // namespace
