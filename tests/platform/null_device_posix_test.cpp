// A closed standard descriptor is opened on the null device only: a stand-in planted at its path
// (a link to the report, a FIFO, a file) once took the console's text, or blocked the run forever.
#include "platform/null_device_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace {

TEST(NullDevicePosix, OnlyTheNullDeviceItselfIsOpened) {
  TempTree tree;
  const std::filesystem::path report = tree.WriteFile("report", "the earlier report");
  const std::filesystem::path linked = tree / "linked";
  std::filesystem::create_symlink(report, linked);
  const std::filesystem::path linkedToNull = tree / "linked-to-null";
  std::filesystem::create_symlink("/dev/null", linkedToNull);
  const std::filesystem::path fifo = tree / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const int access : {O_RDONLY, O_WRONLY}) {
    for (const auto& standIn : {report, linked, linkedToNull, fifo, tree / "missing"}) {
      SCOPED_TRACE(standIn);
      EXPECT_EQ(OpenNullDevice(standIn.c_str(), access), -1);  // and a FIFO returns at once
    }
  }
  EXPECT_EQ(ReadWholeFile(report), "the earlier report");

  const int null = OpenNullDevice("/dev/null", O_WRONLY);
  if (null < 0) {
    GTEST_SKIP() << "no null device at /dev/null here";
  }
  EXPECT_EQ(write(null, "x", 1), 1);
  close(null);
}

}  // namespace
