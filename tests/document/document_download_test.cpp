#include "document_test_support.h"

using namespace document_test;

namespace {

using DocumentDownload = DocumentTest;

// The image is the LOGO image of the output picture's dots when there is
// one, else of the input picture's. (With neither, the message:
// tests/ui/download_page_test.cpp, commandBytes.)
TEST_F(DocumentDownload, ImageComesFromTheOutputElseTheInput)
{
    OpenBitmap(12, 10);
    const auto fromInput = doc.BuildDownloadImage();
    ASSERT_TRUE(fromInput);
    EXPECT_EQ(Bytes(fromInput->begin(), fromInput->begin() + 4), (Bytes{0x1D, 0x2A, 0x02, 0x02}));

    page = {PT_LOGO, "", 24, 8, 0, 0};
    doc.OnOutputPicture();
    ASSERT_NE(doc.OutputPicture(), nullptr);
    const auto fromOutput = doc.BuildDownloadImage();
    ASSERT_TRUE(fromOutput);
    EXPECT_EQ(Bytes(fromOutput->begin(), fromOutput->begin() + 4), (Bytes{0x1D, 0x2A, 0x03, 0x01}));
    EXPECT_TRUE(messages.empty());
}

// The check asks slot n for its 4-byte answer and shows what the reply rules
// make of it. (Each verdict: tests/protocol/printer_replies_test.cpp.)
TEST_F(DocumentDownload, VerifyAsksTheSlotAndShowsOnlyAFailure)
{
    for (const bool stored : {true, false}) {
        Forget();
        asked.clear();
        reply = {true, {0x00, stored ? std::uint8_t{1} : std::uint8_t{0}, 0xCC, 0xED}};
        doc.VerifyDownload(0xFF, 0xEDCC);
        EXPECT_EQ(asked, std::vector<Bytes>{(Bytes{0x1F, 0x65, 0xFF, 4})});
        EXPECT_EQ(messages, stored ? std::vector<std::string>{}
                                   : std::vector<std::string>{"The logo has not been downloaded"});
    }
}

}  // namespace
