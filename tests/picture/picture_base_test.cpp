#include "bmp_picture.h"
#include "picture_test_support.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace picture_test;
namespace fs = std::filesystem;

static int umaskCalls = 0;

// Every umask() of this process comes here, so a test sees whether a save
// touched the mask that other threads create their files with.
extern "C" mode_t umask(mode_t mask) noexcept
{
    ++umaskCalls;
    return static_cast<mode_t>(::syscall(SYS_umask, mask));
}

namespace {

// Each row gives the first rows of the output; the rest of the buffer, up to
// whole bands of 24 rows, must be white. The bits beyond the width in each
// row's last byte are carried along, so a picture cut to its own size is the
// same picture.
TEST(PictureCropFrom, CutsShiftsAndPadsToWholeBands)
{
    const Bytes black(4, 0xFF);
    const Bytes own = {0xF0, 0x0F, 0xAB, 0xCD, 0x81, 0x7F};
    const struct {
        const char* what; std::uint32_t srcWidth, srcHeight; std::int32_t x, y; std::uint32_t width, height; Bytes src, expected;
    } cases[] = {
        {"own size", 12, 3, 0, 0, 12, 3, own, own},
        {"narrower output keeps source dots beyond it", 16, 1, 0, 0, 12, 1, {0xAB, 0xCD}, {0xAB, 0xCD}},
        {"height 25 takes two bands", 16, 25, 0, 0, 16, 25, Bytes(50, 0xFF), Bytes(50, 0xFF)},
        {"x -3 moves right", 16, 2, -3, 0, 16, 2, {0xFF, 0x00, 0x81, 0x81}, {0x1F, 0xE0, 0x10, 0x30}},
        {"y -1 moves down", 8, 2, 0, -1, 8, 3, {0xAA, 0x55}, {0x00, 0xAA, 0x55}},
        {"positive offsets cut", 16, 3, 4, 1, 8, 2, {0, 0, 0x12, 0x34, 0xFE, 0xDC}, {0x23, 0xED}},
        {"y at the source height", 16, 2, 0, 2, 16, 2, black, {}},
        {"lowest offsets", 16, 2, INT32_MIN, INT32_MIN, 16, 2, black, {}},
        {"highest offsets", 16, 2, INT32_MAX, INT32_MAX, 16, 2, black, {}},
        {"short source reads as white", 16, 4, 0, 0, 16, 4, {0xFF, 0xFF, 0x0F}, {0xFF, 0xFF, 0x0F}},
        {"zero height", 16, 2, 0, 0, 16, 0, black, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CBmpPicture picture("");
        std::string message;
        ASSERT_EQ(picture.CropFrom(c.srcWidth, c.srcHeight, c.x, c.y, c.width, c.height, c.src, message), PR_OK);
        Bytes expected = c.expected;
        expected.resize(std::size_t{CPicture::BytesPerRow(c.width)} * ((c.height + 23) / 24 * 24), 0);
        EXPECT_EQ(BitsOf(picture), expected);
        EXPECT_EQ(picture.GetSize(), expected.size());
        EXPECT_EQ(picture.GetOffsetX(), c.x);
        EXPECT_EQ(picture.GetOffsetY(), c.y);
    }
}

// Sizes whose band-rounded buffer would wrap in 32 bits, and one that fits
// 32 bits but weighs more than a picture may.
TEST(PictureCropFrom, AHugeRequestIsRefusedBeforeAllocating)
{
    for (const auto& [width, height] : {std::pair{UINT32_MAX, UINT32_MAX}, {UINT32_MAX, 24u}, {50000u, 50000u}}) {
        CBmpPicture picture("");
        std::string message;
        EXPECT_EQ(picture.CropFrom(8, 1, 0, 0, width, height, Bytes{0xFF}, message), PR_NO_MEMORY);
        EXPECT_EQ(message, kNoMemory);
        EXPECT_FALSE(picture.HasBits());
    }
}

// The picture's own bytes handed back are copied before its buffer goes.
TEST(PictureBuffers, OwnBytesHandedBackStayWhole)
{
    const Bytes bytes = Noise(64, 7);
    CBmpPicture picture("");
    picture.SetBits(bytes);
    picture.SetBits(picture.GetBits());
    picture.SetFileImage(bytes);
    EXPECT_EQ(picture.SetFileImage(picture.GetFileImage()), bytes.size());
    EXPECT_EQ(BitsOf(picture), bytes);
    EXPECT_EQ(Bytes(picture.GetFileImage().begin(), picture.GetFileImage().end()), bytes);
}

// The old file stays whole until a save has fully succeeded, and no save
// leaves a partial file beside it. (A missing folder or a read of a folder is
// refused in the document's tests; an empty name must not make a temporary
// file in the current folder.)
TEST(PictureFiles, OnlyACompleteSaveReplacesTheOldFile)
{
    const ScratchDir dir;
    const std::string path = dir.Path("logo.bmp");
    const Bytes old(100, 0x42);
    WriteFile(path, old);
    std::string message;
    EXPECT_EQ(CBmpPicture("").OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message), PR_OPEN_FAILED);
    EXPECT_EQ(message, "Error - File Open : ");
    {
        CBmpPicture abandoned(path);
        ASSERT_EQ(abandoned.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message), PR_OK);
    }
    EXPECT_EQ(ReadFile(path), old);
    // As a full disk would, a lowered file size limit stops the write.
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit lowered{4096, limit.rlim_max};
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &lowered);
    const Written failed = WriteBits(PT_BITMAP, Bytes(DotBufferBytes(1000, 100), 0xFF), 1000, 100, path);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, handler);
    EXPECT_EQ(failed.result, PR_WRITE_FAILED);
    EXPECT_EQ(failed.message, "Error - File Write");
    EXPECT_EQ(failed.file, old);
    const auto filesInFolder = [&dir] { return std::distance(fs::directory_iterator(dir.root), {}); };
    EXPECT_EQ(filesInFolder(), 1);
    const Written saved = WriteBits(PT_BITMAP, Bytes(6, 0xFF), 10, 3, path);
    ASSERT_EQ(saved.result, PR_OK) << saved.message;
    EXPECT_EQ(saved.file.size(), 74u);
    EXPECT_EQ(filesInFolder(), 1);
}

// A new file gets the mode the process's mask gives it, a replaced file keeps
// its own, and the mask that other threads use meanwhile is never changed.
TEST(PictureFiles, ModesComeWithoutChangingTheProcessMask)
{
    const ScratchDir dir;
    const mode_t old = ::umask(027);
    WriteFile(dir.Path("kept.bmp"), {1});
    fs::permissions(dir.Path("kept.bmp"), fs::perms(0604));
    umaskCalls = 0;
    for (const std::string name : {"new.bmp", "kept.bmp"})
        EXPECT_EQ(WriteBits(PT_BITMAP, Bytes(2, 0xF0), 8, 2, dir.Path(name)).result, PR_OK);
    EXPECT_EQ(umaskCalls, 0);
    ::umask(old);
    EXPECT_EQ(fs::status(dir.Path("new.bmp")).permissions(), fs::perms(0640));
    EXPECT_EQ(fs::status(dir.Path("kept.bmp")).permissions(), fs::perms(0604));
}

}  // namespace
