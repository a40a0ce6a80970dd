#include "platform/AppendFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "support/TempDir.h"

namespace {

// A record's name is looked at before anything is opened: opening a FIFO or a device can
// act on it (here the FIFO's reader would see a writer come and go: POLLHUP).
TEST(AppendFileTest, NeverOpensAFifo) {
  testing_support::TempDir dir;
  const std::string fifo = dir.folder() + "record";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  platform::AppendFile file;
  int error = 0;
  EXPECT_FALSE(file.OpenExisting(fifo, &error));
  EXPECT_EQ(error, EINVAL);
  pollfd watch{reader, POLLIN, 0};
  EXPECT_EQ(poll(&watch, 1, 0), 0) << "the FIFO was opened for writing";
  close(reader);
}

}  // namespace
