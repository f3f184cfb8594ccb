#include "printer_test_support.h"

#include <gtest/gtest.h>

namespace {

class PrinterMemory : public PrinterCliTest {};

// The virtual printer has 1280 KB in all and 512 KB for logos, all free.
TEST_F(PrinterMemory, TotalAndLogoMemoryAreAskedForOnlyAtANonzeroProtocolLevel)
{
    StartPrinter();
    const CliRun levelZero = RunOnPrinter({"memory"});
    EXPECT_EQ(levelZero.exitCode, 0) << levelZero.err;
    EXPECT_EQ(levelZero.out, "total: unknown\nlogo: unknown\nremaining: 524288 bytes\n");

    const CliRun levelOne = RunOnPrinter({"memory", "--protocol-level", "1"});
    EXPECT_EQ(levelOne.exitCode, 0) << levelOne.err;
    EXPECT_EQ(levelOne.out, "total: 1280 KB\nlogo: 512 KB\nremaining: 524288 bytes\n");
}

TEST_F(PrinterMemory, AcceptedSizeIsShownInTheFiguresThatFollow)
{
    StartPrinter();
    const CliRun set = RunOnPrinter({"set-memory", "1280", "--protocol-level", "1"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out, "total: 1280 KB\nlogo: 1280 KB\nremaining: 1310720 bytes\n");
}

TEST_F(PrinterMemory, SizesThePrinterDoesNotOfferAreRefusedBeforeSending)
{
    StartPrinter({"--total-memory", "512"});
    // Without the protocol level the sizes go up to 1024; with it, to the total.
    const CliRun notMultiple = RunOnPrinter({"set-memory", "100"});
    EXPECT_EQ(notMultiple.exitCode, 2);
    EXPECT_NE(notMultiple.err.find("KB must be one of 0, 64,"), std::string::npos) << notMultiple.err;
    EXPECT_EQ(RunOnPrinter({"set-memory", "1280"}).exitCode, 2);
    EXPECT_EQ(RunOnPrinter({"set-memory", "576", "--protocol-level", "1"}).exitCode, 2);

    // At level 0 the choice is not checked against the printer, which may
    // still refuse it.
    const CliRun refused = RunOnPrinter({"set-memory", "768"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "The command has been sent, but the printer has returned one error.\n");
    EXPECT_EQ(refused.out, "total: unknown\nlogo: unknown\nremaining: 524288 bytes\n");
}

}  // namespace
