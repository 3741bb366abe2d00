#include <gtest/gtest.h>

#include <string>

#include "platform/mci.h"
#include "platform/mci_command.h"

namespace {

using platform::MciVerb;

struct ParseCase {
  const char* text;
  int result;
  MciVerb verb;
  const char* alias;
  const char* path;
};

// Every command the players send, the extra forms, and the ways a command can be malformed.
const ParseCase kParseCases[] = {
    {"open \"/tmp/a b/Mix.wav\" type waveaudio alias vk wait", platform::kMciOk, MciVerb::Open, "vk", "/tmp/a b/Mix.wav"},
    {"OPEN /x/WAV_U.wav ALIAS vknote TYPE WaveAudio", platform::kMciOk, MciVerb::Open, "vknote", "/x/WAV_U.wav"},
    {"open \"\" alias vk", platform::kMciOk, MciVerb::Open, "vk", ""},
    {"open /x.wav type waveaudio wait", platform::kMciErrBadSyntax, MciVerb::Open, "", ""},
    {"open /x.wav type avivideo alias vk", platform::kMciErrBadSyntax, MciVerb::Open, "vk", ""},
    {"open /x.wav alias all", platform::kMciErrBadSyntax, MciVerb::Open, "all", ""},
    {"open /x.wav alias", platform::kMciErrBadSyntax, MciVerb::Open, "", ""},
    {"open \"/x.wav alias vk", platform::kMciErrBadSyntax, MciVerb::Open, "", ""},
    {"set vk time format MS wait", platform::kMciOk, MciVerb::Set, "vk", ""},
    {"set vk time format milliseconds", platform::kMciOk, MciVerb::Set, "vk", ""},
    {"set vk time format frames", platform::kMciErrBadSyntax, MciVerb::Set, "vk", ""},
    {"status vk length wait", platform::kMciOk, MciVerb::Status, "vk", ""},
    {"status vk mode", platform::kMciErrBadSyntax, MciVerb::Status, "vk", ""},
    {"play vk notify", platform::kMciOk, MciVerb::Play, "vk", ""},
    {"play vknote", platform::kMciOk, MciVerb::Play, "vknote", ""},
    {"play vk wait", platform::kMciErrBadSyntax, MciVerb::Play, "vk", ""},
    {"play all", platform::kMciErrBadSyntax, MciVerb::Play, "", ""},
    {"pause vk", platform::kMciOk, MciVerb::Pause, "vk", ""},
    {"stop vk wait", platform::kMciOk, MciVerb::Stop, "vk", ""},
    {"seek vk to 96501", platform::kMciOk, MciVerb::Seek, "vk", ""},
    {"seek vk to 0 wait", platform::kMciOk, MciVerb::Seek, "vk", ""},
    {"seek vk to -5", platform::kMciErrBadSyntax, MciVerb::Seek, "vk", ""},
    {"seek vk to 12x", platform::kMciErrBadSyntax, MciVerb::Seek, "vk", ""},
    {"seek vk 500", platform::kMciErrBadSyntax, MciVerb::Seek, "vk", ""},
    {"close vk wait", platform::kMciOk, MciVerb::Close, "vk", ""},
    {"close vknote ", platform::kMciOk, MciVerb::Close, "vknote", ""},
    {"close all wait", platform::kMciOk, MciVerb::Close, "", ""},
    {"close", platform::kMciErrBadSyntax, MciVerb::Close, "", ""},
    {"close vk now", platform::kMciErrBadSyntax, MciVerb::Close, "vk", ""},
    {"record vk", platform::kMciErrUnknownCommand, MciVerb::Close, "", ""},
    {"   ", platform::kMciErrUnknownCommand, MciVerb::Close, "", ""},
};

TEST(MciCommandParser, AcceptsTheCommandSetAndNamesEachFault) {
  for (const ParseCase& c : kParseCases) {
    SCOPED_TRACE(c.text);
    platform::MciCommand command;
    const int result = platform::ParseMciCommand(c.text, command);
    EXPECT_EQ(result, c.result);
    if (result != platform::kMciOk) continue;
    EXPECT_EQ(command.verb, c.verb);
    EXPECT_EQ(command.alias, c.alias);
    EXPECT_EQ(command.path, c.path);
  }
}

TEST(MciCommandParser, ReadsFlagsTargetsAndCloseAll) {
  platform::MciCommand c;
  ASSERT_EQ(platform::ParseMciCommand("Seek VK To 43000 Wait", c), platform::kMciOk);
  EXPECT_EQ(c.seekTarget, platform::MciSeekTarget::Millisecond);
  EXPECT_EQ(c.seekMs, 43000);
  EXPECT_TRUE(c.wait);
  ASSERT_EQ(platform::ParseMciCommand("seek vk to END", c), platform::kMciOk);
  EXPECT_EQ(c.seekTarget, platform::MciSeekTarget::End);
  ASSERT_EQ(platform::ParseMciCommand("status vk POSITION", c), platform::kMciOk);
  EXPECT_EQ(c.item, platform::MciStatusItem::Position);
  ASSERT_EQ(platform::ParseMciCommand("play vk NOTIFY", c), platform::kMciOk);
  EXPECT_TRUE(c.notify);
  ASSERT_EQ(platform::ParseMciCommand("play vk", c), platform::kMciOk);
  EXPECT_FALSE(c.notify);
  ASSERT_EQ(platform::ParseMciCommand("close ALL", c), platform::kMciOk);
  EXPECT_TRUE(c.closeAll);
  EXPECT_EQ(platform::MciAliasKey("VkNote"), "vknote");
}

}  // namespace
