#include "document_test_support.h"

#include "printer_commands.h"

using namespace document_test;

namespace {

using DocumentDownload = DocumentTest;

// The image is the LOGO image of the output picture's dots when there is
// one, else of the input picture's, sizes rounded up to multiples of 8.
TEST_F(DocumentDownload, ImageComesFromTheOutputElseTheInput)
{
    OpenBitmap(12, 10);
    const auto fromInput = doc.BuildDownloadImage();
    ASSERT_TRUE(fromInput);
    ASSERT_EQ(fromInput->size(), 36u);
    EXPECT_EQ(Bytes(fromInput->begin(), fromInput->begin() + 4), (Bytes{0x1D, 0x2A, 0x02, 0x02}));

    page = {PT_LOGO, "", 24, 8, 0, 0};
    doc.OnOutputPicture();
    ASSERT_NE(doc.OutputPicture(), nullptr);
    const auto fromOutput = doc.BuildDownloadImage();
    ASSERT_TRUE(fromOutput);
    EXPECT_EQ(Bytes(fromOutput->begin(), fromOutput->begin() + 4), (Bytes{0x1D, 0x2A, 0x03, 0x01}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(DocumentDownload, NothingDisplayedNothingToSend)
{
    EXPECT_FALSE(doc.BuildDownloadImage());
    EXPECT_EQ(messages,
              std::vector<std::string>{"There is no picture to downoad, please display one before to proceed."});
}

// The checksum check asks slot n for its 4-byte answer; bytes 2 and 3 carry
// the checksum, low byte first.
TEST_F(DocumentDownload, VerifyNamesEachOutcome)
{
    const struct {
        PrinterReply reply;
        const char* message;
    } cases[] = {
        {{true, {0x00, 0x01, 0xCC, 0xED}}, nullptr},
        {{true, {0x00, 0x00, 0xCC, 0xED}}, "The logo has not been downloaded"},
        {{true, {0x00, 0x01, 0xED, 0xCC}},
         "The logo has been downloaded but the checksum returned from printer is wrong"},
        {{true, {0x00, 0x01, 0xCC}}, "The command has not been sent, there is communication failure."},
        {{false, {0x00, 0x01, 0xCC, 0xED}}, "The command has not been sent, there is communication failure."},
    };
    for (const auto& [answer, message] : cases) {
        Forget();
        asked.clear();
        reply = answer;
        doc.VerifyDownload(0xFF, 0xEDCC);
        EXPECT_EQ(asked, std::vector<Bytes>{(Bytes{0x1F, 0x65, 0xFF, 4})});
        EXPECT_EQ(messages, message ? std::vector<std::string>{message} : std::vector<std::string>{});
    }
}

}  // namespace
