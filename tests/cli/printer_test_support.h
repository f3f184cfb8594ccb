#pragma once

#include "cli_runner.h"
#include "comm_settings.h"
#include "printer_process.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// What the printer commands are tried against: a virtual printer of its own
// and a settings store of its own, so that no run reads the user's settings
// or reaches a real port.
class PrinterCliTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the virtual printer with `options` (after --link and --paper).
    void StartPrinter(const std::vector<std::string>& options = {});
    PrinterProcess& Printer() { return *m_printer; }
    std::string Port() const { return m_printer->LinkPath().string(); }

    // Runs vellumio-cli; a run that outlasts `limit` is killed and fails the
    // test, so that a hang shows as such.
    CliRun Run(const std::vector<std::string>& args,
               std::chrono::milliseconds limit = std::chrono::milliseconds(15000));
    // The same with --port for the virtual printer added.
    CliRun RunOnPrinter(std::vector<std::string> args,
                        std::chrono::milliseconds limit = std::chrono::milliseconds(15000));

    // Stores settings as the desktop program keeps them, in this test's store.
    void StoreSettings(const CommSettings& settings);

    ScratchDir m_scratch;

private:
    std::unique_ptr<PrinterProcess> m_printer;
};

// Dots of a width x height picture in which every row differs, so that a
// picture turned, shifted or mirrored cannot pass for it.
std::vector<std::uint8_t> PatternDots(std::uint32_t width, std::uint32_t height);

// The dots "download" sends for a picture cut as by CropFrom, and the
// checksum line it prints for them.
std::vector<std::uint8_t> CroppedDots(std::uint32_t srcWidth, std::uint32_t srcHeight,
                                      const std::vector<std::uint8_t>& bits, std::int32_t offsetX,
                                      std::int32_t offsetY, std::uint32_t width, std::uint32_t height);
std::string ChecksumLine(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& bits);

struct PbmSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The size in the header of a binary PBM that appears at `path` within the
// time; nothing when none appears.
std::optional<PbmSize> WaitForPbm(const std::filesystem::path& path, std::chrono::milliseconds timeout);
