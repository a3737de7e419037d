// Item sets: spawn order and pooling, the edge rules, animation, firing order, collision passes.
#include "game/item.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "oru/graphics/bitmap_file.h"
#include "oru/graphics/colour_conversion.h"
#include "tests/support/scratch_folder.h"

namespace brellow {

using namespace oru;

namespace {

constexpr int kBackground = 3;  // the top-left colour, which becomes transparent
constexpr int kBody = 100;

// A folder of its own per process holding "strip.bmp": two 40 by 40 cells side by side, the
// first filled with the background colour except a body square, the second all body.
class ItemSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = oru::test::UniqueTempPath("oru_items");
    std::filesystem::create_directories(dir_);
    strip_ = (dir_ / "strip.bmp").string();
    Surface picture;
    ASSERT_EQ(picture.Create(80, 40), 1);
    picture.Fill(kBackground);
    picture.FillRectIndex(Rect{10, 10, 30, 30}, kBody);
    picture.FillRectIndex(Rect{40, 0, 80, 40}, kBody);
    ASSERT_EQ(SaveBitmap(picture, strip_.c_str()), 1);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  // A set of 40 by 40 items from the strip, spawned at the given places and all alive.
  void MakeSet(ItemSet& set, const std::vector<std::pair<int, int>>& places) {
    set.SetSource(strip_.c_str(), &group_, 40, 40);
    for (auto [px, py] : places) set.Spawn(px, py);
  }

  std::filesystem::path dir_;
  std::string strip_;
  Surface group_;
};

std::vector<int> Frames(const ItemSet& set) {
  std::vector<int> frames;
  for (const Item* item = set.First(); item; item = item->next)
    frames.push_back(item->FrameOffset());
  return frames;
}

std::vector<int> Countdowns(const ItemSet& set) {
  std::vector<int> values;
  for (const Item* item = set.First(); item; item = item->next)
    values.push_back(item->GetCountdown());
  return values;
}

TEST_F(ItemSetTest, SpawnRevivesTheFirstDeadItemAndAppendsOnlyWhenAllAreAlive) {
  ItemSet set;
  set.SetSource(strip_.c_str(), &group_, 40, 40);
  EXPECT_EQ(set.Count(), 0);
  EXPECT_EQ(set.Spawn(1, 1), 0);
  EXPECT_EQ(set.Spawn(2, 2), 1);
  EXPECT_EQ(set.Spawn(3, 3), 2);
  EXPECT_EQ(set.Spawn(4, 4), 3);  // none dead: a fourth item
  EXPECT_EQ(set.Count(), 4);

  Item* second = set.Find(1);
  Item* third = set.Find(2);
  Item* fourth = set.Find(3);
  second->SetVisible(0);
  EXPECT_EQ(set.CountAlive(), 3);
  EXPECT_EQ(set.Spawn(50, 60), 1);
  EXPECT_EQ(set.Find(1), second);  // the same object, not a new one
  EXPECT_EQ(set.Find(2), third);
  EXPECT_EQ(set.Find(3), fourth);
  EXPECT_EQ(set.Count(), 4);
  EXPECT_EQ(set.GetX(1), 50);
  EXPECT_EQ(set.GetY(1), 60);

  // A whole pool killed: spawns reuse it from the front.
  set.KillAll();
  EXPECT_EQ(set.CountAlive(), 0);
  EXPECT_EQ(set.Spawn(0, 0), 0);
  EXPECT_EQ(set.Spawn(0, 0), 1);
  EXPECT_EQ(set.Count(), 4);
  set.ReviveAll();
  EXPECT_EQ(set.CountAlive(), 4);
  EXPECT_EQ(set.Spawn(0, 0), 4);
}

TEST_F(ItemSetTest, RevivedItemKeepsItsCountersAndVelocityAndRestartsOnFrameZero) {
  ItemSet set;
  MakeSet(set, {{0, 0}});
  Item* item = set.Find(0);
  set.SetVelocity(0, 7, -3);
  set.SetFrame(0, 5);
  item->SetCountdown(12);
  item->SetLife(4);
  item->SetArmour(2);
  item->SetVisible(0);

  ASSERT_EQ(set.Spawn(100, 200), 0);
  EXPECT_TRUE(item->IsVisible());
  EXPECT_EQ(set.GetFrame(0), 0);
  EXPECT_EQ(item->X(), 100);
  EXPECT_EQ(item->Y(), 200);
  EXPECT_EQ(item->velocityX, 7);
  EXPECT_EQ(item->velocityY, -3);
  EXPECT_EQ(item->GetCountdown(), 12);
  EXPECT_EQ(item->GetLife(), 4);
  EXPECT_EQ(item->GetArmour(), 2);

  // ReviveAll leaves position and frame alone.
  set.SetFrame(0, 1);
  item->SetVisible(0);
  set.ReviveAll();
  EXPECT_EQ(set.GetFrame(0), 1);
  EXPECT_EQ(set.GetX(0), 100);
}

TEST_F(ItemSetTest, NewItemsTakeTheSourceInForceWhenTheyAreCreated) {
  ItemSet set;
  MakeSet(set, {{5, 6}});
  Item* first = set.Find(0);
  EXPECT_EQ(first->Width(), 80);
  EXPECT_EQ(first->FrameWidth(), 40);
  EXPECT_EQ(first->FrameHeight(), 40);
  EXPECT_EQ(first->GetLife(), 1);
  EXPECT_EQ(first->GetCountdown(), 0);
  // The top-left colour is the colour key, moved to the converted transparent index.
  EXPECT_EQ(first->TransparentIndex(), kConvertedTransparentIndex);
  EXPECT_EQ(first->PixelAt(0, 0), kConvertedTransparentIndex);
  EXPECT_NE(first->PixelAt(20, 20), kConvertedTransparentIndex);
  EXPECT_GE(group_.FindChild(first), 0);
  EXPECT_EQ(first->X(), 5);
  EXPECT_EQ(first->Y(), 6);

  // A hit box and a new cell size apply to the next new item only.
  set.SetHitBox(10, 10, 29, 29);
  Surface otherGroup;
  set.SetSource(strip_.c_str(), &otherGroup, -1, -1);
  ASSERT_EQ(set.Spawn(0, 0), 1);
  Item* second = set.Find(1);
  EXPECT_EQ(second->FrameWidth(), 80);
  EXPECT_EQ(second->hitBox.x0, 10);
  EXPECT_EQ(second->hitBox.y1, 29);
  EXPECT_GE(otherGroup.FindChild(second), 0);
  EXPECT_LT(group_.FindChild(second), 0);
  EXPECT_TRUE(first->hitBox.IsEmpty());
  EXPECT_EQ(first->FrameWidth(), 40);

  // A hit box with any side -1 is not used.
  ItemSet partial;
  partial.SetSource(strip_.c_str(), &group_, -1, -1);
  partial.SetHitBox(0, 0, -1, 5);
  partial.Spawn(0, 0);
  EXPECT_TRUE(partial.Find(0)->hitBox.IsEmpty());
}

// A pool of thirty would otherwise read and decode its picture thirty times and hold thirty
// copies: the items after the first share its store, even once the file is gone.
TEST_F(ItemSetTest, APoolDecodesItsPictureOnceAndItsItemsShareIt) {
  ItemSet set;
  MakeSet(set, {{0, 0}, {10, 0}, {20, 0}});
  std::filesystem::remove(strip_);
  set.Spawn(30, 0);
  const Item* first = set.First();
  ASSERT_NE(first->bitmap, nullptr);
  for (const Item* item = first->next; item; item = item->next) {
    EXPECT_EQ(item->bitmap, first->bitmap);
    EXPECT_EQ(item->FrameWidth(), 40);
    EXPECT_EQ(item->TransparentIndex(), kConvertedTransparentIndex);
    EXPECT_NE(item->X(), first->X());
  }
  EXPECT_EQ(set.Count(), 4);
}

TEST_F(ItemSetTest, MissingPictureGivesAnEmptyItemCoveringOnlyItsPosition) {
  ItemSet ghosts;
  ghosts.SetSource((dir_ / "missing.bmp").string().c_str(), &group_, -1, -1);
  ASSERT_EQ(ghosts.Spawn(10, 10), 0);
  ASSERT_EQ(ghosts.Spawn(300, 300), 1);
  EXPECT_EQ(ghosts.Find(0)->Width(), 0);
  EXPECT_EQ(ghosts.CountAlive(), 2);

  // Drawing an empty item draws nothing and does not fail.
  Surface target;
  ASSERT_EQ(target.Create(64, 64), 1);
  target.Fill(7);
  group_.DrawGroup(&target);
  EXPECT_EQ(target.PixelAt(10, 10), 7);

  ItemSet probes;
  probes.SetSource((dir_ / "missing.bmp").string().c_str(), &group_, -1, -1);
  probes.Spawn(0, 0);
  struct Counter : HitHandler {
    int hits = 0;
    void OnHit(Item*, Item*, int) override { ++hits; }
  } counter;
  const std::tuple<int, int, int> cases[] = {{10, 10, 1}, {11, 10, 0}, {10, 9, 0}};
  for (auto [px, py, hits] : cases) {
    probes.Find(0)->SetPosition(px, py);
    counter.hits = 0;
    ghosts.CollideWith(&counter, &probes, 0);
    EXPECT_EQ(counter.hits, hits) << px << "," << py;
  }
}

TEST_F(ItemSetTest, SpawnWithoutGroupStillGivesAnItem) {
  ItemSet set;
  set.SetSource(strip_.c_str(), nullptr, 40, 40);
  EXPECT_EQ(set.Spawn(0, 0), 0);
  EXPECT_EQ(set.Count(), 1);
}

TEST_F(ItemSetTest, IndexWithoutAnItemReadsZeroAndWritesNothing) {
  ItemSet set;
  MakeSet(set, {{3, 4}});
  set.SetFrame(0, 2);
  for (int index : {1, 5, -1, INT_MIN}) {
    EXPECT_EQ(set.Find(index), nullptr) << index;
    EXPECT_EQ(set.GetX(index), 0) << index;
    EXPECT_EQ(set.GetY(index), 0) << index;
    EXPECT_EQ(set.GetFrame(index), 0) << index;
    set.SetFrame(index, 9);
    set.SetVelocity(index, 9, 9);
  }
  EXPECT_EQ(set.GetFrame(0), 2);
  EXPECT_EQ(set.Find(0)->velocityX, 0);
  EXPECT_EQ(set.Count(), 1);
}

struct EdgeCase {
  int rule;
  int x, y;    // start
  int dx, dy;  // move
  int endX, endY;
  bool alive;
};

TEST_F(ItemSetTest, EdgeRulesApplyAfterEachMove) {
  // 40 by 40 items on a 640 by 480 field.
  const EdgeCase cases[] = {
      // Kill: strictly outside only.
      {EdgeKill, 0, 100, -40, 0, -40, 100, true},
      {EdgeKill, 0, 100, -41, 0, -41, 100, false},
      {EdgeKill, 600, 100, 40, 0, 640, 100, true},
      {EdgeKill, 600, 100, 41, 0, 641, 100, false},
      {EdgeKill, 100, 0, 0, -40, 100, -40, true},
      {EdgeKill, 100, 0, 0, -41, 100, -41, false},
      {EdgeKill, 100, 440, 0, 40, 100, 480, true},
      {EdgeKill, 100, 440, 0, 41, 100, 481, false},
      // Clamp: back inside, each side on its own.
      {EdgeClamp, 600, 100, 30, 0, 600, 100, true},
      {EdgeClamp, 100, 0, 0, -5, 100, 0, true},
      {EdgeClamp, 5, 100, -10, 0, 0, 100, true},
      {EdgeClamp, 100, 450, 0, 10, 100, 440, true},
      {EdgeClamp, 700, 500, 0, 0, 600, 440, true},
      // Wrap: just outside the opposite edge.
      {EdgeWrap, 0, 100, -41, 0, 640, 100, true},
      {EdgeWrap, 0, 100, -40, 0, -40, 100, true},
      {EdgeWrap, 600, 100, 41, 0, -40, 100, true},
      {EdgeWrap, 100, 0, 0, -41, 100, 480, true},
      {EdgeWrap, 100, 440, 0, 41, 100, -40, true},
      // Any other rule: the move only.
      {7, 0, 0, -1000, 2000, -1000, 2000, true},
      {-1, 0, 0, 5000, 0, 5000, 0, true},
  };
  for (const EdgeCase& c : cases) {
    for (bool byVelocity : {false, true}) {
      ItemSet set;
      MakeSet(set, {{c.x, c.y}});
      if (byVelocity) {
        set.SetVelocity(0, c.dx, c.dy);
        set.StepAll(c.rule);
      } else {
        set.MoveAll(c.dx, c.dy, c.rule);
      }
      SCOPED_TRACE(::testing::Message()
                   << "rule " << c.rule << " from " << c.x << "," << c.y << " by " << c.dx << ","
                   << c.dy << (byVelocity ? " (velocity)" : ""));
      EXPECT_EQ(set.GetX(0), c.endX);
      EXPECT_EQ(set.GetY(0), c.endY);
      EXPECT_EQ(set.Find(0)->IsVisible() != 0, c.alive);
    }
  }
}

TEST_F(ItemSetTest, DeadItemsMoveAndFollowTheEdgeRuleToo) {
  ItemSet set;
  MakeSet(set, {{0, 0}, {600, 0}});
  set.Find(1)->SetVisible(0);
  set.MoveAll(30, 0, EdgeClamp);
  EXPECT_EQ(set.GetX(0), 30);
  EXPECT_EQ(set.GetX(1), 600);
  set.MoveAll(-700, 0, EdgeKill);
  EXPECT_EQ(set.GetX(1), -100);
  EXPECT_EQ(set.CountAlive(), 0);
  // Killing again changes nothing, and a wrap brings a dead item back on the field but not to life.
  set.MoveAll(0, 0, EdgeWrap);
  EXPECT_EQ(set.GetX(1), 640);
  EXPECT_FALSE(set.Find(1)->IsVisible());
}

TEST_F(ItemSetTest, AnimateLoopsOrEndsTheLife) {
  ItemSet set;
  MakeSet(set, {{0, 0}});
  std::vector<int> seen;
  for (int i = 0; i < 6; ++i) {
    set.Animate(4, AnimLoop);
    seen.push_back(set.GetFrame(0));
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 0, 1, 2}));

  // Once: the item at the last frame dies and shows the frame past it; dead items stay there.
  ItemSet blasts;
  MakeSet(blasts, {{0, 0}, {0, 0}});
  blasts.SetFrame(0, 15);
  blasts.SetFrame(1, 3);
  blasts.Animate(16, AnimOnce);
  EXPECT_EQ(Frames(blasts), (std::vector<int>{16, 4}));
  EXPECT_FALSE(blasts.Find(0)->IsVisible());
  EXPECT_TRUE(blasts.Find(1)->IsVisible());
  blasts.Animate(16, AnimOnce);
  EXPECT_EQ(Frames(blasts), (std::vector<int>{16, 5}));

  // Any other rule: no limit, and the item lives on.
  set.SetFrame(0, 3);
  set.Animate(4, 0);
  EXPECT_EQ(set.GetFrame(0), 4);
  EXPECT_TRUE(set.Find(0)->IsVisible());
}

TEST_F(ItemSetTest, AnimateRangeRestartsAtTheFirstFrameAfterTheLast) {
  ItemSet set;
  MakeSet(set, {{0, 0}, {0, 0}});
  set.SetFrame(0, 2);
  set.SetFrame(1, 0);  // below the range: counts up into it
  std::vector<std::vector<int>> seen;
  for (int i = 0; i < 4; ++i) {
    set.AnimateRange(2, 4);
    seen.push_back(Frames(set));
  }
  EXPECT_EQ(seen, (std::vector<std::vector<int>>{{3, 1}, {4, 2}, {2, 3}, {3, 4}}));
}

TEST_F(ItemSetTest, NextReadyCountsDownUpToTheFirstReadyLiveItem) {
  ItemSet set;
  MakeSet(set, {{0, 0}, {0, 0}, {0, 0}});
  set.Find(0)->SetCountdown(3);
  set.Find(1)->SetCountdown(1);
  set.Find(1)->SetVisible(0);
  set.Find(2)->SetCountdown(1);

  EXPECT_EQ(set.NextReady(), set.Find(2));
  EXPECT_EQ(Countdowns(set), (std::vector<int>{2, 0, 1}));
  set.Find(2)->SetCountdown(40);
  EXPECT_EQ(set.NextReady(), nullptr);
  EXPECT_EQ(Countdowns(set), (std::vector<int>{1, -1, 39}));

  // The first item ready: the rest are not counted down in that call.
  EXPECT_EQ(set.NextReady(), set.Find(0));
  EXPECT_EQ(Countdowns(set), (std::vector<int>{1, -1, 39}));

  ItemSet empty;
  EXPECT_EQ(empty.NextReady(), nullptr);
}

TEST_F(ItemSetTest, DeadItemCountdownStopsAtTheLowestValue) {
  ItemSet set;
  MakeSet(set, {{0, 0}});
  set.Find(0)->SetVisible(0);
  set.Find(0)->SetCountdown(INT_MIN + 1);
  EXPECT_EQ(set.NextReady(), nullptr);
  EXPECT_EQ(set.NextReady(), nullptr);
  EXPECT_EQ(set.Find(0)->GetCountdown(), INT_MIN);
  set.ReviveAll();
  EXPECT_EQ(set.NextReady(), set.Find(0));
}

// Records every reported pair by index; optionally kills the first or second item on a hit.
class Recorder : public HitHandler {
 public:
  Recorder(ItemSet& a, ItemSet& b) : a_(a), b_(b) {}
  void OnHit(Item* first, Item* second, int kind) override {
    pairs.emplace_back(IndexOf(a_, first), IndexOf(b_, second), kind);
    if (killFirst) first->SetVisible(0);
    if (killSecond) second->SetVisible(0);
  }
  static int IndexOf(const ItemSet& set, const Item* item) {
    int i = 0;
    for (const Item* it = set.First(); it; it = it->next, ++i)
      if (it == item) return i;
    return -1;
  }
  std::vector<std::tuple<int, int, int>> pairs;
  bool killFirst = false;
  bool killSecond = false;

 private:
  ItemSet& a_;
  ItemSet& b_;
};

TEST_F(ItemSetTest, TouchingBoxesCollideAndAGapDoesNot) {
  const std::tuple<int, int, bool> cases[] = {
      {40, 0, true},                      // right edge meets left edge
      {41, 0, false},  {0, 40, true},     // bottom meets top
      {0, 41, false},  {-40, -40, true},  // corner to corner
      {-41, 0, false},
  };
  for (auto [bx, by, hit] : cases) {
    ItemSet a, b;
    MakeSet(a, {{0, 0}});
    MakeSet(b, {{bx, by}});
    Recorder recorder(a, b);
    a.CollideWith(&recorder, &b, 6);
    EXPECT_EQ(recorder.pairs.size(), hit ? 1u : 0u) << bx << "," << by;
    if (hit && !recorder.pairs.empty()) {
      EXPECT_EQ(recorder.pairs[0], std::make_tuple(0, 0, 6));
    }
  }
}

TEST_F(ItemSetTest, HitBoxIsPlacedRelativeToTheItem) {
  ItemSet boss, shots;
  boss.SetHitBox(20, 10, 29, 19);  // the middle of the 40 by 40 cell
  MakeSet(boss, {{100, 100}});
  MakeSet(shots, {{0, 0}});
  Recorder recorder(boss, shots);
  const std::tuple<int, int, bool> cases[] = {
      {100 - 40, 100, false},  // touches the cell but not the box
      {100 + 29, 100 + 19, true},  {100 + 30, 100 + 10, false},
      {100 - 20, 100 - 30, true},  // shot's corner (120, 110) on the box's corner
      {100 - 21, 100 - 30, false},
  };
  for (auto [sx, sy, hit] : cases) {
    shots.Find(0)->SetPosition(sx, sy);
    recorder.pairs.clear();
    boss.CollideWith(&recorder, &shots, 0);
    EXPECT_EQ(recorder.pairs.size(), hit ? 1u : 0u) << sx << "," << sy;
  }
}

TEST_F(ItemSetTest, CollideWithReportsLivePairsInListOrder) {
  ItemSet shots, monkeys;
  MakeSet(shots, {{0, 0}, {500, 0}, {10, 0}});
  MakeSet(monkeys, {{20, 0}, {5, 0}, {0, 0}});
  monkeys.Find(2)->SetVisible(0);  // dead: never reported
  Recorder recorder(shots, monkeys);
  shots.CollideWith(&recorder, &monkeys, 3);
  EXPECT_EQ(recorder.pairs,
            (std::vector<std::tuple<int, int, int>>{{0, 0, 3}, {0, 1, 3}, {2, 0, 3}, {2, 1, 3}}));

  // The handler uses the shot up: each shot hits one monkey at most.
  recorder.pairs.clear();
  recorder.killFirst = true;
  shots.CollideWith(&recorder, &monkeys, 3);
  EXPECT_EQ(recorder.pairs, (std::vector<std::tuple<int, int, int>>{{0, 0, 3}, {2, 0, 3}}));

  // The handler kills the monkey: a later shot does not find it.
  shots.ReviveAll();
  recorder.pairs.clear();
  recorder.killFirst = false;
  recorder.killSecond = true;
  shots.CollideWith(&recorder, &monkeys, 3);
  EXPECT_EQ(recorder.pairs, (std::vector<std::tuple<int, int, int>>{{0, 0, 3}, {0, 1, 3}}));

  // Nothing to report against a null set or to a null handler.
  shots.CollideWith(&recorder, nullptr, 3);
  shots.CollideWith(nullptr, &monkeys, 3);
}

TEST_F(ItemSetTest, ConvertAllTurnsLiveItemsIntoTargetItemsInPlace) {
  ItemSet enemies, explosions;
  MakeSet(enemies, {{10, 20}, {30, 40}, {50, 60}});
  MakeSet(explosions, {{0, 0}, {0, 0}});
  explosions.KillAll();
  explosions.SetFrame(0, 7);
  enemies.Find(1)->SetVisible(0);

  enemies.ConvertAll(&explosions);
  EXPECT_EQ(enemies.CountAlive(), 0);
  EXPECT_EQ(explosions.Count(), 2);
  EXPECT_EQ(explosions.CountAlive(), 2);
  EXPECT_EQ(explosions.GetX(0), 10);
  EXPECT_EQ(explosions.GetY(0), 20);
  EXPECT_EQ(explosions.GetFrame(0), 0);
  EXPECT_EQ(explosions.GetX(1), 50);
  EXPECT_EQ(explosions.GetY(1), 60);

  // More live items than the pool holds: the target grows.
  enemies.ReviveAll();
  enemies.ConvertAll(&explosions);
  EXPECT_EQ(explosions.Count(), 5);
  EXPECT_EQ(explosions.GetX(4), 50);
}

TEST_F(ItemSetTest, ItemsDrawTheCellOfTheirFrameThroughTheGroup) {
  ItemSet set;
  MakeSet(set, {{0, 0}, {40, 0}});
  set.SetFrame(1, 1);  // the all-body cell
  Surface target;
  ASSERT_EQ(target.Create(80, 40), 1);
  target.Fill(7);
  group_.DrawGroup(&target);
  EXPECT_EQ(target.PixelAt(0, 0), 7);  // transparent corner of cell 0
  EXPECT_NE(target.PixelAt(20, 20), 7);
  EXPECT_NE(target.PixelAt(41, 1), 7);

  // Frames outside the picture (a finished explosion brought back by ReviveAll shows the frame
  // past its last) draw nothing rather than pixels from outside it.
  target.Fill(7);
  set.SetFrame(0, 2);
  set.SetFrame(1, -3);
  group_.DrawGroup(&target);
  EXPECT_EQ(target.PixelAt(20, 20), 7);
  EXPECT_EQ(target.PixelAt(41, 1), 7);

  // Dead items are not drawn.
  target.Fill(7);
  set.KillAll();
  group_.DrawGroup(&target);
  EXPECT_EQ(target.PixelAt(20, 20), 7);
  EXPECT_EQ(target.PixelAt(41, 1), 7);
}

}  // namespace
}  // namespace brellow
