// The debugger output channel: messages reach the installed channel and nothing else.
#include <gtest/gtest.h>

#include "fakes/fake_debug_output.h"

namespace verdalin {

TEST(DebugOutput, MessagesReachTheInstalledChannelOnly) {
  SendDebugMessage("lost: no channel yet");
  {
    CapturedDebugOutput captured;
    SendDebugMessage("RegExp: trailing \\");
    ASSERT_EQ(captured.messages.size(), 1u);
    EXPECT_EQ(captured.messages[0], "RegExp: trailing \\");
  }
  SendDebugMessage("lost again");
}

}  // namespace verdalin
