// Groups: child slots, depth-ordered drawing of visible leaves, offsets, and collision boxes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oru/graphics/surface.h"

namespace oru {
namespace {

// A leaf that records when it is drawn, and where.
class Leaf : public Surface {
 public:
  Leaf(std::string name, std::vector<std::string>* log) : name_(std::move(name)), log_(log) {}
  void Draw(Surface*) override {
    log_->push_back(name_ + "@" + std::to_string(x) + "," + std::to_string(y));
  }

 private:
  std::string name_;
  std::vector<std::string>* log_;
};

TEST(GroupTest, ChildSlotsAreReusedAndNeverShrink) {
  Surface group, a, b, c;
  EXPECT_EQ(group.ChildAt(0), &group);  // no list at all: the surface itself
  group.AddChild(&a);
  group.AddChild(&b);
  group.AddChild(&a);
  EXPECT_EQ(group.childCapacity, 2);
  EXPECT_EQ(group.FindChild(&b), 1);
  EXPECT_EQ(group.FindChild(nullptr), -1);

  EXPECT_EQ(group.RemoveChild(&a), 0);
  EXPECT_EQ(group.RemoveChild(&a), -1);
  EXPECT_EQ(group.ChildAt(0), nullptr);
  EXPECT_EQ(group.FindChild(nullptr), 0);
  group.AddChild(&c);
  EXPECT_EQ(group.ChildAt(0), &c);
  EXPECT_EQ(group.childCapacity, 2);
  EXPECT_EQ(group.ChildAt(2), nullptr);
  EXPECT_EQ(group.ChildAt(-1), nullptr);
}

TEST(GroupTest, DeleteChildrenDeletesThem) {
  Surface group;
  group.AddChild(new Surface);
  group.AddChild(new Surface);
  group.DeleteChildren();  // the sanitizer build catches a leak here
  EXPECT_EQ(group.childCapacity, 0);
  EXPECT_EQ(group.ChildAt(0), &group);
}

TEST(GroupTest, DrawsVisibleLeavesByDepthWithParentOffsets) {
  std::vector<std::string> log;
  Surface target, root, hidden, nested;
  Leaf five("five", &log), one("one", &log), three("three", &log), invisible("invisible", &log),
      underHidden("underHidden", &log), deep("deep", &log);
  five.SetDepth(5);
  one.SetDepth(1);
  three.SetDepth(3);
  invisible.SetDepth(0);
  invisible.SetVisible(0);
  root.AddChild(&five);
  root.AddChild(&one);
  root.AddChild(&invisible);
  root.AddChild(&hidden);
  root.AddChild(&nested);
  root.AddChild(&three);
  hidden.AddChild(&underHidden);
  hidden.SetVisible(0);
  nested.AddChild(&deep);
  root.SetPosition(100, 200);
  nested.SetPosition(10, 20);
  nested.SetDepth(2);
  deep.SetPosition(1, 2);
  deep.SetDepth(2);  // 4 with its parent's depth

  EXPECT_EQ(root.CountVisibleLeaves(), 4);
  target.DrawScene(&root);
  EXPECT_EQ(log, (std::vector<std::string>{"one@100,200", "three@100,200", "deep@111,222",
                                           "five@100,200"}));
  // Offsets are undone.
  EXPECT_EQ(deep.X(), 1);
  EXPECT_EQ(deep.Z(), 2);
  EXPECT_EQ(nested.X(), 10);
  EXPECT_EQ(five.Y(), 0);

  // A surface whose destruction has begun is not drawn as a scene root.
  log.clear();
  root.marker = 0;
  target.DrawScene(&root);
  EXPECT_TRUE(log.empty());
  root.marker = Surface::kLiveMarker;

  // A leaf root draws itself.
  one.DrawGroup(&target);
  EXPECT_EQ(log, (std::vector<std::string>{"one@0,0"}));
}

TEST(GroupTest, EqualDepthsKeepTheExchangeSortOrder) {
  std::vector<std::string> log;
  Surface root, target;
  Leaf a("a", &log), b("b", &log), c("c", &log), d("d", &log);
  a.SetDepth(1);
  b.SetDepth(1);
  c.SetDepth(0);
  d.SetDepth(1);
  for (Leaf* l : {&a, &b, &c, &d}) root.AddChild(l);
  target.DrawScene(&root);
  // i = 0: c (z 0) swaps with a; then a, b, d in order of the remaining exchanges.
  EXPECT_EQ(log, (std::vector<std::string>{"c@0,0", "b@0,0", "a@0,0", "d@0,0"}));
}

TEST(GroupTest, BoundsAndOverlaps) {
  const struct {
    const char* name;
    int ax, bx, by;
    BoundingBox hitA;
    bool overlap;
  } cases[] = {
      {"same place", 0, 0, 0, {}, true},
      {"touching ends", 0, 10, 0, {}, true},
      {"one apart", 0, 11, 0, {}, false},
      {"below", 0, 0, 11, {}, false},
      {"hit box reaches", 0, 20, 0, {0, 20, 0, 5, 0, 5}, true},
      {"hit box misses", 0, 21, 0, {0, 5, 0, 5, 0, 5}, false},
  };
  for (const auto& c : cases) {
    Surface a, b;
    ASSERT_EQ(a.Create(10, 10), 1);
    ASSERT_EQ(b.Create(10, 10), 1);
    a.SetHitBox(c.hitA);
    a.SetPosition(c.ax, 0);
    b.SetPosition(c.bx, c.by);
    EXPECT_EQ(a.OverlapsSurface(&b), c.overlap ? 1 : 0) << c.name;
    EXPECT_EQ(b.OverlapsSurface(&a), c.overlap ? 1 : 0) << c.name;
  }

  Surface s;
  ASSERT_EQ(s.Create(30, 20), 1);
  s.SetFrameSize(10, 0);
  s.SetPosition(5, 6);
  s.SetDepth(7);
  const BoundingBox b = s.Bounds();
  EXPECT_EQ(b.x0, 5);
  EXPECT_EQ(b.x1, 15);
  EXPECT_EQ(b.y1, 26);
  EXPECT_EQ(b.z0, 7);
  EXPECT_EQ(b.z1, 27);  // depth spans the frame height
  EXPECT_EQ(s.bounds.x1, 15);
}

TEST(GroupTest, FindOverlappingChildInSlotOrder) {
  Surface group, probe, far, near1, near2;
  for (Surface* s : {&probe, &far, &near1, &near2}) ASSERT_EQ(s->Create(10, 10), 1);
  far.SetPosition(100, 100);
  near2.SetPosition(5, 5);
  group.AddChild(&far);
  group.AddChild(&near2);
  group.AddChild(&near1);
  EXPECT_EQ(group.FindOverlappingChild(&probe), &near2);
  probe.SetPosition(300, 300);
  EXPECT_EQ(group.FindOverlappingChild(&probe), nullptr);
}

TEST(GroupTest, BackdropAndSceneOwnership) {
  Surface screen, picture;
  screen.SetBackdrop(nullptr);
  ASSERT_NE(screen.backdrop, nullptr);
  EXPECT_EQ(screen.ownsBackdrop, 1);
  screen.SetBackdrop(&picture);  // the owned empty one is deleted
  EXPECT_EQ(screen.backdrop, &picture);
  EXPECT_EQ(screen.ownsBackdrop, 0);
  screen.SetScene(nullptr);
  EXPECT_EQ(screen.ownsScene, 1);
  screen.scene->AddChild(&picture);  // deleted with the screen; picture itself is not
}

}  // namespace
}  // namespace oru
