// ReadGameOptions: the standard options, their misuses, and arguments left to the program.
#include "oru/game_loop/game_settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace oru {
namespace {

struct Parsed {
  int code;
  GameSettings settings;
  std::vector<std::string> rest;
  std::string out, err;
};

// Runs ReadGameOptions on "game" followed by args, capturing what it prints.
Parsed Read(std::vector<std::string> args, bool keepRest) {
  args.insert(args.begin(), "game");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  Parsed p;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  p.code = ReadGameOptions(static_cast<int>(argv.size()), argv.data(), p.settings,
                           keepRest ? &p.rest : nullptr, out, err);
  for (auto [file, text] : {std::pair{out, &p.out}, std::pair{err, &p.err}}) {
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text->push_back(static_cast<char>(c));
    std::fclose(file);
  }
  return p;
}

TEST(GameSettingsTest, StandardOptionsFillTheSettings) {
  const Parsed p = Read({"--frames", "300", "--headless", "--scale", "3", "--full-screen"}, false);
  EXPECT_EQ(p.code, kRunTheGame);
  EXPECT_EQ(p.settings.frames, 300u);
  EXPECT_TRUE(p.settings.headless);
  EXPECT_EQ(p.settings.scale, 3);
  EXPECT_TRUE(p.settings.fullScreen);
  EXPECT_EQ(p.err, "");

  const Parsed none = Read({}, false);
  EXPECT_EQ(none.code, kRunTheGame);
  EXPECT_EQ(none.settings.frames, 0u);
  EXPECT_FALSE(none.settings.headless);
  EXPECT_EQ(none.settings.scale, 1);
}

TEST(GameSettingsTest, MisusesExitWithCodeTwoNamingTheOption) {
  struct Case {
    std::vector<std::string> args;
    const char* named;
  };
  const Case cases[] = {
      {{"--frames"}, "--frames"},         {{"--frames", "0"}, "--frames"},
      {{"--frames", "-3"}, "--frames"},   {{"--frames", "12x"}, "--frames"},
      {{"--scale", "5"}, "--scale"},      {{"--scale", "0"}, "--scale"},
      {{"--scale"}, "--scale"},           {{"--fast"}, "--fast"},
      {{"--headless", "extra"}, "extra"},
  };
  for (const Case& c : cases) {
    const Parsed p = Read(c.args, false);
    EXPECT_EQ(p.code, 2) << c.args[0];
    EXPECT_NE(p.err.find(c.named), std::string::npos) << p.err;
    EXPECT_EQ(p.err.find('\n'), p.err.size() - 1) << "one line: " << p.err;
  }
}

TEST(GameSettingsTest, HelpPrintsTheOptionsAndExitsWithZero) {
  const Parsed p = Read({"--frames", "3", "--help", "--bogus"}, false);
  EXPECT_EQ(p.code, 0);
  for (const char* option : {"--frames", "--headless", "--scale", "--full-screen"})
    EXPECT_NE(p.out.find(option), std::string::npos) << option;
  EXPECT_EQ(p.err, "");
}

TEST(GameSettingsTest, UnknownArgumentsGoToTheProgramWhenItTakesThem) {
  const Parsed p = Read({"--script", "--frames", "9", "level2"}, true);
  EXPECT_EQ(p.code, kRunTheGame);
  EXPECT_EQ(p.rest, (std::vector<std::string>{"--script", "level2"}));
  EXPECT_EQ(p.settings.frames, 9u);
}

}  // namespace
}  // namespace oru
