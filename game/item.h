// Item and ItemSet: the game's pooled sprites. Every kind of thing that moves or shows in numbers
// on the play field (the crab, monkeys, octopuses, shots, ink, explosions, the boss, the
// foreground strips) lives in one ItemSet, a singly linked list of Items.
//
//   ItemSet shots;
//   shots.SetSource("kuri_n.bmp", &scene, -1, -1);   // picture, group, whole image as the cell
//   for (int i = 0; i < 30; ++i) shots.Spawn(0, 0);   // the pool: 30 items, one shared picture
//   shots.KillAll();                                   // ... all dead until play spawns them
//
//   int i = shots.Spawn(crabX, crabY);                 // revives the first dead item
//   shots.SetVelocity(i, 12, 0);
//   shots.StepAll(EdgeKill);                           // each frame: fly, die past the edge
//   shots.CollideWith(&game, &monkeys, kind);          // game.OnHit(shot, monkey, kind)
//
// Alive means visible. An item is never freed during play: it dies by turning invisible and stays
// in the list, so an index (its place in the list, dead items included) stays valid for the life
// of the set. A spawn creates a new item only when every item is alive. The first item made
// after SetSource reads and decodes the picture; the ones after it share that item's pixel
// store (Surface::ShareImage), so a pool of thirty costs one decode and one picture's memory.
//
// The set draws nothing itself: every new item joins the group as a child, and the group draws
// its visible children. The group never learns that items are gone, so a set must be destroyed
// before its group draws again. Everything runs on the game thread.
#pragma once

#include <string>

#include "oru/graphics/surface.h"

namespace brellow {

// What happens to an item that a move takes past the 640 by 480 play field. Any other value
// applies no rule.
enum EdgeRule : int {
  EdgeKill = 0,   // dies once wholly outside (touching the edge from outside still counts as in)
  EdgeClamp = 1,  // pushed back inside
  EdgeWrap = 2,   // reappears just outside the opposite edge
};

// What ItemSet::Animate does at the end of the frames. Any other value applies no limit.
enum AnimEnd : int {
  AnimLoop = 1,  // back to frame 0
  AnimOnce = 2,  // the item dies and stays on the frame past the last
};

class Item;

// Receives the overlapping pairs found by ItemSet::CollideWith. The game window implements it;
// the handler may kill either item or change its counters.
class HitHandler {
 public:
  virtual void OnHit(Item* first, Item* second, int kind) = 0;

 protected:
  ~HitHandler() = default;
};

// One sprite of a set: a whole Surface with its own copy of the set's picture, showing the cell
// named by its frame (the surface's frameOffset) at its position.
class Item : public oru::Surface {
 public:
  Item() = default;
  ~Item() override = default;

  // The firing delay counted down by ItemSet::NextReady.
  void SetCountdown(int value) { countdown = value; }
  int GetCountdown() const { return countdown; }
  // Hit points and the secondary hit counter; only the game's rules read them.
  void SetLife(int value) { life = value; }
  int GetLife() const { return life; }
  void SetArmour(int value) { armour = value; }
  int GetArmour() const { return armour; }

  std::int32_t countdown = 0;
  std::int32_t armour = 0;
  std::int32_t life = 1;
  std::int32_t velocityX = 0;  // pixels per ItemSet::StepAll
  std::int32_t velocityY = 0;
  Item* next = nullptr;  // the following item of the same set; owned by the set
};

// The set is itself the head of its list: its own surface is never loaded, attached or drawn,
// and its next pointer is the first item. Operations walk every item, alive or dead, unless
// they say otherwise; index arguments past the end (or negative) find no item.
class ItemSet : public Item {
 public:
  static constexpr int kFieldWidth = 640;
  static constexpr int kFieldHeight = 480;

  ItemSet() = default;
  // Destroys every item, first to last.
  ~ItemSet() override;

  // The picture, group and cell size for items created from now on (-1 or 0 for a cell size
  // means the whole image). Existing items keep what they were given.
  void SetSource(const char* file, oru::Surface* group, int cellWidth, int cellHeight);
  // The hit box, relative to the item's position with both ends inclusive, for items created
  // from now on. It is used only when none of the four is -1.
  void SetHitBox(int left, int top, int right, int bottom);

  // Revives the first dead item at (x, y) on frame 0 (its velocity, counters and picture stay
  // from its previous life), or when every item is alive appends a new one. Returns the index
  // of the item, or -1 when no memory for a new item could be had. A picture that cannot be read
  // still gives an item, with an empty image.
  int Spawn(int x, int y);

  int Count() const;
  int CountAlive() const;
  void KillAll();
  // Position, frame and counters stay as they are.
  void ReviveAll();
  // Every live item dies and target spawns one item at its position.
  void ConvertAll(ItemSet* target);

  // Dead items move too; the edge rule applies to every item after the move.
  void MoveAll(int dx, int dy, int edgeRule);
  void StepAll(int edgeRule);

  int GetX(int index) const;  // 0 without such an item
  int GetY(int index) const;
  void SetVelocity(int index, int vx, int vy);
  int GetFrame(int index) const;
  void SetFrame(int index, int frame);
  Item* Find(int index) const;

  // Every item goes one frame on; at frameCount it loops or dies as endRule says.
  void Animate(int frameCount, int endRule);
  // Every item goes one frame on, back to first after last.
  void AnimateRange(int first, int last);

  // Counts countdowns down in list order and returns the first live item whose countdown has
  // run out, leaving its countdown for the caller to reload; items after it are not counted in
  // this call. Null when no item is ready.
  Item* NextReady();

  // For each live item of this set, for each live item of other whose hit box overlaps it (ends
  // inclusive), calls handler->OnHit(item, otherItem, kind). Aliveness is tested afresh for each
  // pair, so an item the handler kills is not reported again.
  void CollideWith(HitHandler* handler, ItemSet* other, int kind);

  Item* First() const { return next; }
  const std::string& ImageFile() const { return imageFile; }
  oru::Surface* Group() const { return group; }

 private:
  static void ApplyEdgeRule(Item* item, int edgeRule);
  // A new item made from the set's source, or null without memory.
  Item* CreateItem(int x, int y);

  oru::Surface* group = nullptr;  // not owned
  std::string imageFile;
  Item* shared_ = nullptr;  // the item whose picture later items share; null until one is made
  std::int32_t cellWidth = -1;
  std::int32_t cellHeight = -1;
  std::int32_t hitLeft = -1;
  std::int32_t hitTop = -1;
  std::int32_t hitRight = -1;
  std::int32_t hitBottom = -1;
};

}  // namespace brellow
