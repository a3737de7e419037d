// Item sets: pooled spawning, moves with edge rules, animation, firing order and collision passes.
#include "game/item.h"

#include <climits>
#include <new>

#include "oru/graphics/keyed_sprite.h"

namespace brellow {

using namespace oru;

ItemSet::~ItemSet() {
  Item* item = next;
  next = nullptr;
  while (item) {
    Item* following = item->next;
    delete item;
    item = following;
  }
}

void ItemSet::SetSource(const char* file, Surface* newGroup, int newCellWidth, int newCellHeight) {
  imageFile = file ? file : "";
  shared_ = nullptr;
  group = newGroup;
  cellWidth = newCellWidth;
  cellHeight = newCellHeight;
}

void ItemSet::SetHitBox(int left, int top, int right, int bottom) {
  hitLeft = left;
  hitTop = top;
  hitRight = right;
  hitBottom = bottom;
}

Item* ItemSet::CreateItem(int px, int py) {
  // Loading a picture allocates throughout (pixel store, palette, dirty grid); running out of
  // memory anywhere in it leaves the set as it was.
  try {
    Item* item = new Item;
    if (shared_) {
      // The pixels never change after the load, so one decoded store serves every item.
      item->ShareImage(shared_);
    } else {
      // A picture that cannot be read leaves an empty image that draws nothing.
      if (!imageFile.empty()) LoadSprite(*item, imageFile.c_str());
      if (cellWidth > 0 && cellHeight > 0) item->SetFrameSize(cellWidth, cellHeight);
    }
    if (hitLeft != -1 && hitTop != -1 && hitRight != -1 && hitBottom != -1) {
      BoundingBox box;
      box.Set(hitLeft, hitTop, 0, hitRight, hitBottom, 0);
      item->Surface::SetHitBox(box);
    }
    if (group) {
      try {
        group->AddChild(item);
      } catch (const std::bad_alloc&) {
        delete item;
        return nullptr;
      }
    }
    item->SetPosition(px, py);
    // Items are freed only with the set, so the first one stays there for the others to share.
    if (!shared_) shared_ = item;
    return item;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int ItemSet::Spawn(int px, int py) {
  int index = 0;
  Item* last = this;
  for (Item* item = next; item; item = item->next, ++index) {
    if (!item->visible) {
      item->SetVisible(1);
      item->SetFrameOffset(0);
      item->SetPosition(px, py);
      return index;
    }
    last = item;
  }
  Item* created = CreateItem(px, py);
  if (!created) return -1;
  last->next = created;
  return index;
}

int ItemSet::Count() const {
  int count = 0;
  for (const Item* item = next; item; item = item->next) ++count;
  return count;
}

int ItemSet::CountAlive() const {
  int count = 0;
  for (const Item* item = next; item; item = item->next)
    if (item->visible) ++count;
  return count;
}

void ItemSet::KillAll() {
  for (Item* item = next; item; item = item->next) item->SetVisible(0);
}

void ItemSet::ReviveAll() {
  for (Item* item = next; item; item = item->next) item->SetVisible(1);
}

void ItemSet::ConvertAll(ItemSet* target) {
  for (Item* item = next; item; item = item->next) {
    if (!item->visible) continue;
    item->SetVisible(0);
    if (target) target->Spawn(item->x, item->y);
  }
}

void ItemSet::ApplyEdgeRule(Item* item, int edgeRule) {
  const int width = item->FrameWidth();
  const int height = item->FrameHeight();
  // Each test sees the position as the tests before it left it.
  switch (edgeRule) {
    case EdgeKill:
      if (item->x + width < 0 || item->x > kFieldWidth || item->y + height < 0 ||
          item->y > kFieldHeight)
        item->SetVisible(0);
      break;
    case EdgeClamp:
      if (item->x < 0) item->x = 0;
      if (item->y < 0) item->y = 0;
      if (item->x + width > kFieldWidth) item->x = kFieldWidth - width;
      if (item->y + height > kFieldHeight) item->y = kFieldHeight - height;
      break;
    case EdgeWrap:
      if (item->x + width < 0) item->x = kFieldWidth;
      if (item->y + height < 0) item->y = kFieldHeight;
      if (item->x > kFieldWidth) item->x = -width;
      if (item->y > kFieldHeight) item->y = -height;
      break;
    default:
      break;
  }
}

void ItemSet::MoveAll(int dx, int dy, int edgeRule) {
  for (Item* item = next; item; item = item->next) {
    item->MoveBy(dx, dy, 0);
    ApplyEdgeRule(item, edgeRule);
  }
}

void ItemSet::StepAll(int edgeRule) {
  for (Item* item = next; item; item = item->next) {
    item->MoveBy(item->velocityX, item->velocityY, 0);
    ApplyEdgeRule(item, edgeRule);
  }
}

Item* ItemSet::Find(int index) const {
  if (index < 0) return nullptr;
  Item* item = next;
  for (; item && index > 0; --index) item = item->next;
  return item;
}

int ItemSet::GetX(int index) const {
  const Item* item = Find(index);
  return item ? item->x : 0;
}

int ItemSet::GetY(int index) const {
  const Item* item = Find(index);
  return item ? item->y : 0;
}

void ItemSet::SetVelocity(int index, int vx, int vy) {
  if (Item* item = Find(index)) {
    item->velocityX = vx;
    item->velocityY = vy;
  }
}

int ItemSet::GetFrame(int index) const {
  const Item* item = Find(index);
  return item ? item->frameOffset : 0;
}

void ItemSet::SetFrame(int index, int frame) {
  if (Item* item = Find(index)) item->SetFrameOffset(frame);
}

void ItemSet::Animate(int frameCount, int endRule) {
  for (Item* item = next; item; item = item->next) {
    int frame = item->frameOffset + 1;
    if (frame >= frameCount) {
      if (endRule == AnimLoop) {
        frame = 0;
      } else if (endRule == AnimOnce) {
        item->SetVisible(0);
        frame = frameCount;
      }
    }
    item->SetFrameOffset(frame);
  }
}

void ItemSet::AnimateRange(int first, int last) {
  for (Item* item = next; item; item = item->next) {
    int frame = item->frameOffset + 1;
    if (frame > last) frame = first;
    item->SetFrameOffset(frame);
  }
}

Item* ItemSet::NextReady() {
  for (Item* item = next; item; item = item->next) {
    // Dead items keep counting; they stop at the lowest int instead of wrapping round to ready.
    const int left = item->countdown == INT_MIN ? INT_MIN : item->countdown - 1;
    if (left <= 0 && item->visible) return item;
    item->countdown = left;
  }
  return nullptr;
}

void ItemSet::CollideWith(HitHandler* handler, ItemSet* other, int kind) {
  if (!handler || !other) return;
  for (Item* a = next; a; a = a->next) {
    for (Item* b = other->next; b; b = b->next) {
      // Both tested afresh for each pair: the handler may have killed either one.
      if (a->visible && a->OverlapsSurface(b) && b->visible) handler->OnHit(a, b, kind);
    }
  }
}

}  // namespace brellow
