// Faults while outputs are written: a full disk, the file size limit, an
// output folder that is not there or goes away. Each ends the batch at the
// output in hand with a message naming it and the reason, keeps every output
// written before it, and leaves the job ready for the next batch.

#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include "tests/faults/fault_support.h"

namespace projconv {

namespace faults {
namespace {

using WriteFaultTest = FaultTest;

// A real ENOSPC from the kernel: the fourth output's name is a link to
// /dev/full, which takes the open and refuses every byte.
TEST_F(WriteFaultTest, DiskFullEndsTheBatchAndTheNextOneWorks) {
  ASSERT_EQ(::symlink("/dev/full", OutName(3).c_str()), 0) << std::strerror(errno);
  EXPECT_EQ(Outcome(Run()),
            Expected(BatchEnd::OutputNotWritten, 3,
                     EndMessage(OutName(3), "can not be wrote", "No space left on device")));
  EXPECT_EQ(OutputState(3), "0:ok 1:ok 2:ok");

  ASSERT_EQ(::unlink(OutName(3).c_str()), 0);
  EXPECT_EQ(Outcome(Run()),
            Expected(BatchEnd::InputMissing, 5, EndMessage(InName(5), "can not be opened")));
  EXPECT_EQ(OutputState(5), "0:ok 1:ok 2:ok 3:ok 4:ok");
}

// A file system that fills up part way through an output: a 64 KiB tmpfs over
// the output folder holds three 20,000-byte outputs and 4 KiB of the fourth.
// Mounting needs a mount namespace of its own, which only a privileged child
// process gets; elsewhere the test is skipped.
TEST_F(WriteFaultTest, FullFileSystemEndsTheBatchAndTheNextOneWorksOnceThereIsRoom) {
  const std::string outcome = RunInChild([this]() -> std::string {
    const std::string out = Path("out");
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", out.c_str(), "tmpfs", 0, "size=64k") != 0) {
      return std::string("skip: cannot mount a small file system here: ") + std::strerror(errno);
    }
    // One statement per batch: the operands of + may be evaluated in any order.
    std::string text = Outcome(Run());
    text += "\n" + OutputState(4) + "\n";
    if (::mount(nullptr, out.c_str(), nullptr, MS_REMOUNT, "size=1m") != 0) {
      return text + "remount: " + std::strerror(errno);
    }
    text += Outcome(Run());
    return text + "\n" + OutputState(5);
  });
  if (outcome.starts_with("skip: ")) GTEST_SKIP() << outcome.substr(6);
  EXPECT_EQ(outcome,
            Expected(BatchEnd::OutputNotWritten, 3,
                     EndMessage(OutName(3), "can not be wrote", "No space left on device")) +
                "\n0:ok 1:ok 2:ok 3:4096\n" +
                Expected(BatchEnd::InputMissing, 5, EndMessage(InName(5), "can not be opened")) +
                "\n0:ok 1:ok 2:ok 3:ok 4:ok");
}

// The file size limit drops below one output once two are written; the write
// stops at the limit with EFBIG (SIGXFSZ ignored, as a batch tool must).
TEST_F(WriteFaultTest, FileSizeLimitEndsTheBatchAndTheNextOneWorksWithoutIt) {
  const std::string outcome = RunInChild([this] {
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit original;
    ::getrlimit(RLIMIT_FSIZE, &original);
    reporter.onProgress = [](std::int32_t fileNumber) {
      if (fileNumber != 1) return;
      struct rlimit limit;
      ::getrlimit(RLIMIT_FSIZE, &limit);
      limit.rlim_cur = 1000;
      ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    std::string text = Outcome(Run());
    text += "\n" + OutputState(3) + "\n";
    reporter.onProgress = nullptr;
    ::setrlimit(RLIMIT_FSIZE, &original);
    text += Outcome(Run());
    return text + "\n" + OutputState(5);
  });
  EXPECT_EQ(outcome,
            Expected(BatchEnd::OutputNotWritten, 2,
                     EndMessage(OutName(2), "can not be wrote", "File too large")) +
                "\n0:ok 1:ok 2:1000\n" +
                Expected(BatchEnd::InputMissing, 5, EndMessage(InName(5), "can not be opened")) +
                "\n0:ok 1:ok 2:ok 3:ok 4:ok");
}

TEST_F(WriteFaultTest, MissingOutputFolderEndsTheBatchBeforeAnyOutput) {
  ASSERT_EQ(::rmdir(Path("out").c_str()), 0);
  EXPECT_EQ(Outcome(Run()), Expected(BatchEnd::OutputNotWritten, 0,
                                     EndMessage(OutName(0), "can not be wrote", "No such folder")));

  ASSERT_EQ(::mkdir(Path("out").c_str(), 0777), 0);
  EXPECT_EQ(Outcome(Run()),
            Expected(BatchEnd::InputMissing, 5, EndMessage(InName(5), "can not be opened")));
  EXPECT_EQ(OutputState(5), "0:ok 1:ok 2:ok 3:ok 4:ok");
}

// The output folder is moved away once two outputs are written: they stay
// whole where the folder went, and the batch ends at the third.
TEST_F(WriteFaultTest, OutputFolderGoneMidBatchKeepsWhatWasWritten) {
  reporter.onProgress = [this](std::int32_t fileNumber) {
    if (fileNumber == 1) {
      ASSERT_EQ(::rename(Path("out").c_str(), Path("moved").c_str()), 0);
    }
  };
  EXPECT_EQ(Outcome(Run()), Expected(BatchEnd::OutputNotWritten, 2,
                                     EndMessage(OutName(2), "can not be wrote", "No such folder")));
  EXPECT_EQ(OutputState(3, Path("moved")), "0:ok 1:ok 2:-");

  reporter.onProgress = nullptr;
  ASSERT_EQ(::mkdir(Path("out").c_str(), 0777), 0);
  EXPECT_EQ(Outcome(Run()),
            Expected(BatchEnd::InputMissing, 5, EndMessage(InName(5), "can not be opened")));
  EXPECT_EQ(OutputState(5), "0:ok 1:ok 2:ok 3:ok 4:ok");
}

}  // namespace
}  // namespace faults

}  // namespace projconv
