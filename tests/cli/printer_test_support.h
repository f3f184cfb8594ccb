#pragma once

#include "cli_test_support.h"
#include "comm_settings.h"
#include "printer_process.h"

#include <QSettings>
#include <QString>

#include <cstdlib>
#include <memory>

// The printer commands are tried against a virtual printer of their own and
// a settings store of their own, so that no run reads the user's settings or
// reaches a real port.
class PrinterCliTest : public CliTest {
protected:
    void SetUp() override
    {
        ::setenv("XDG_CONFIG_HOME", File("config").c_str(), 1);
        ::setenv("HOME", m_scratch.c_str(), 1);
        ::unsetenv("VELLUMIO_SERIAL_PORTS");
        ::unsetenv("VELLUMIO_PARALLEL_PORTS");
        ::unsetenv("VELLUMIO_UPLOAD_STALL_MS");
    }

    // Starts the virtual printer with `options` (after --link and --paper).
    void StartPrinter(const std::vector<std::string>& options = {})
    {
        m_printer = std::make_unique<PrinterProcess>(options);
        ASSERT_TRUE(m_printer->Started()) << m_printer->Error();
    }
    // The same printer on TCP, at `listen` ("127.0.0.1:0", "[::1]:0").
    void StartTcpPrinter(const std::string& listen, std::vector<std::string> options = {})
    {
        m_printer = PrinterProcess::OverTcp(listen, std::move(options));
        ASSERT_TRUE(m_printer->Started()) << m_printer->Error();
    }
    std::string Port() const { return m_printer->PortName(); }

    CliRun RunOnPrinter(std::vector<std::string> args, std::chrono::milliseconds limit = std::chrono::seconds(15))
    {
        args.insert(args.end(), {"--port", Port()});
        return Run(args, limit);
    }

    std::string WriteLogo(std::uint32_t width, std::uint32_t height)
    {
        return WriteFramedBmp(File("logo-" + std::to_string(width) + ".bmp"), width, height);
    }

    // A printed page once it is out; empty if none comes. A page appears
    // whole, by a rename, and each change in the folder wakes the wait.
    std::string WaitForPaper(const std::string& name)
    {
        const std::filesystem::path page = m_printer->PaperFolder() / name;
        WaitForPath(page, std::chrono::seconds(3));
        return ReadWholeFile(page);
    }

    // Stores settings where the desktop program keeps them ("QUORIX"/"Vellumio").
    void StoreSettings(const CommSettings& settings)
    {
        QSettings store(QString::fromStdString(File("config/QUORIX/Vellumio.conf")), QSettings::IniFormat);
        settings.SaveSettings(store);
        store.sync();
        ASSERT_EQ(store.status(), QSettings::NoError);
    }

    std::unique_ptr<PrinterProcess> m_printer;
};
