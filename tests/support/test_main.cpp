#include <gtest/gtest.h>

#include "platform/process.h"
#include "platform/socket.h"

int main(int argc, char** argv) {
  // 1000 sessions need 2000 descriptors here: both ends live in this process.
  platform::RaiseOpenFileLimit();
  // Tests open sockets of their own, outside any server object.
  platform::StartSocketLibrary(0x0101);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
