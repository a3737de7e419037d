// A close request while the game loads: the assets still to come are skipped, so the game can
// leave at once instead of after the whole load (or, with a damaged file, much later).
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "oru/data/load_cancel.h"
#include "tests/game/game_fixture.h"
#include "tests/support/wait_for.h"

namespace brellow {

using namespace oru;

namespace {

std::atomic<int> checks{0};
std::atomic<bool> released{false};
std::atomic<bool> closeAsked{false};

// Stands in for a slow load: the first check blocks until the test lets it go.
bool BlockingCheck() {
  if (checks.fetch_add(1) == 0) WaitFor([] { return released.load(); }, std::chrono::seconds(30));
  return closeAsked.load();
}

TEST(LoadCancelTest, ACloseRequestDuringTheLoadSkipsEveryAssetStillToCome) {
  test::CurrentFolderKeeper keeper;
  std::filesystem::current_path(ORU_GAME_DIR);
  {
    GameWindow game;
    const LoadCancelCheck previous = SetLoadCancelCheck(&BlockingCheck);
    std::atomic<bool> loaded{false};
    std::thread loader([&] {
      game.LoadAssets();
      loaded = true;
    });
    ASSERT_TRUE(WaitFor([] { return checks.load() > 0; }));
    EXPECT_FALSE(loaded.load()) << "the load went on past the blocked check";
    closeAsked = true;
    released = true;
    loader.join();
    SetLoadCancelCheck(previous);
    EXPECT_FALSE(LoadCancelled());
    EXPECT_EQ(game.backdrop.Width(), 0);
    EXPECT_EQ(game.gameClearPicture.Width(), 0);
    EXPECT_EQ(game.crab.CountAlive(), 0);
    EXPECT_EQ(game.hitSound.ImageSize(), 0u);
    EXPECT_FALSE(game.music.HasSong());
    // The window is still whole: it enters the title and steps like any other.
    EXPECT_EQ(game.gameState, GameState::Title);
  }
}

// Pools are the longest part of the load (thirty items in some sets): the request is heard at
// every item, not only between sets.
TEST(LoadCancelTest, ThePoolsAskAtEveryItem) {
  test::CurrentFolderKeeper keeper;
  std::filesystem::current_path(ORU_GAME_DIR);
  static std::atomic<int> asked;
  asked = 0;
  {
    GameWindow game;
    const LoadCancelCheck previous = SetLoadCancelCheck([] {
      ++asked;
      return false;
    });
    game.LoadAssets();
    SetLoadCancelCheck(previous);
    int items = 0;
    for (const ItemSetRow& row : kItemSets) items += (game.*row.set).Count();
    EXPECT_GE(asked.load(), items);
  }
}

TEST(LoadCancelTest, WithoutACheckNothingIsCancelled) { EXPECT_FALSE(LoadCancelled()); }

}  // namespace
}  // namespace brellow
