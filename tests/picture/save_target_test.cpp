#include "bmp_picture.h"
#include "picture_test_support.h"

#include <sys/stat.h>
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

// A new file gets the mode the process's mask gives it, a replaced file keeps
// its own, and the mask that other threads use meanwhile is never changed.
TEST(SaveTarget, ModesComeWithoutChangingTheProcessMask)
{
    const ScratchDir dir;
    const mode_t old = ::umask(027);
    WriteFile(dir.Path("kept.bmp"), {1});
    fs::permissions(dir.Path("kept.bmp"), fs::perms(0604));
    umaskCalls = 0;
    for (const std::string name : {"new.bmp", "kept.bmp"}) {
        CBmpPicture picture(dir.Path(name));
        std::string message;
        ASSERT_EQ(picture.OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message), PR_OK);
        picture.SetBits(Bytes(2, 0xF0));
        std::uint32_t width = 8, height = 2;
        EXPECT_EQ(picture.Write(width, height, message), PR_OK);
    }
    EXPECT_EQ(umaskCalls, 0);
    ::umask(old);
    EXPECT_EQ(fs::status(dir.Path("new.bmp")).permissions(), fs::perms(0640));
    EXPECT_EQ(fs::status(dir.Path("kept.bmp")).permissions(), fs::perms(0604));
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

}  // namespace
