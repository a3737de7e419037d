// Surface groups: the backdrop and scene of a screen-like surface, child slots, depth-sorted
// drawing with parent offsets, and the collision boxes.
#include <algorithm>

#include "oru/graphics/surface.h"

namespace oru {

void Surface::SetBackdrop(Surface* surface) {
  if (ownsBackdrop) {
    delete backdrop;
    ownsBackdrop = 0;
  }
  if (surface) {
    backdrop = surface;
  } else {
    backdrop = new Surface;
    ownsBackdrop = 1;
  }
}

void Surface::SetScene(Surface* surface) {
  if (ownsScene) {
    delete scene;
    ownsScene = 0;
  }
  if (surface) {
    scene = surface;
  } else {
    scene = new Surface;
    ownsScene = 1;
  }
}

void Surface::DrawScene(Surface* root) {
  if (root && root->marker == kLiveMarker) root->DrawGroup(this);
}

void Surface::DrawGroup(Surface* target) {
  if (childCapacity == 0) {
    Draw(target);
    return;
  }
  OffsetChildren();
  const int n = SortLeaves();
  for (int i = 0; i < n; ++i) {
    Surface* leaf = drawList[static_cast<std::size_t>(i)];
    if (leaf->visible) leaf->Draw(target);
  }
  RestoreChildOffsets();
}

int Surface::FindChild(const Surface* surface) const {
  for (int i = 0; i < childCapacity; ++i)
    if (childList[static_cast<std::size_t>(i)] == surface) return i;
  return -1;
}

void Surface::AddChild(Surface* surface) {
  if (!surface || FindChild(surface) >= 0) return;
  const int free = FindChild(nullptr);
  if (free >= 0) {
    childList[static_cast<std::size_t>(free)] = surface;
    return;
  }
  auto grown = std::make_unique<Surface*[]>(static_cast<std::size_t>(childCapacity) + 1);
  std::copy(childList.get(), childList.get() + childCapacity, grown.get());
  grown[static_cast<std::size_t>(childCapacity)] = surface;
  childList = std::move(grown);
  ++childCapacity;
}

int Surface::RemoveChild(const Surface* surface) {
  if (!surface) return -1;
  const int slot = FindChild(surface);
  if (slot >= 0) childList[static_cast<std::size_t>(slot)] = nullptr;
  return slot;
}

void Surface::DeleteChildren() {
  for (int i = 0; i < childCapacity; ++i) delete childList[static_cast<std::size_t>(i)];
  childList.reset();
  childCapacity = 0;
}

Surface* Surface::ChildAt(int index) {
  if (!childList) return this;
  if (index < 0 || index >= childCapacity) return nullptr;
  return childList[static_cast<std::size_t>(index)];
}

int Surface::CountVisibleLeaves() const {
  if (!visible) return 0;
  if (childCapacity == 0) return 1;
  int n = 0;
  for (int i = 0; i < childCapacity; ++i)
    if (const Surface* child = childList[static_cast<std::size_t>(i)])
      n += child->CountVisibleLeaves();
  return n;
}

int Surface::CollectVisibleLeaves(Surface** array, int start) {
  if (!visible) return start;
  if (childCapacity == 0) {
    array[start] = this;
    return start + 1;
  }
  for (int i = 0; i < childCapacity; ++i)
    if (Surface* child = childList[static_cast<std::size_t>(i)])
      start = child->CollectVisibleLeaves(array, start);
  return start;
}

int Surface::SortLeaves() {
  const int n = CountVisibleLeaves();
  if (drawListCapacity < n) {
    drawList = std::make_unique<Surface*[]>(static_cast<std::size_t>(n));
    drawDepths_ = std::make_unique<std::int32_t[]>(static_cast<std::size_t>(n));
    drawListCapacity = n;
  }
  if (n == 0) return 0;
  CollectVisibleLeaves(drawList.get(), 0);
  // This exact exchange sort fixes the order of equal depths, which the picture depends on.
  // It runs on a copy of the depths so the comparisons stay in one small array.
  Surface** leaves = drawList.get();
  std::int32_t* depths = drawDepths_.get();
  for (int i = 0; i < n; ++i) depths[i] = leaves[i]->z;
  for (int i = 0; i < n - 1; ++i)
    for (int j = i + 1; j < n; ++j)
      if (depths[j] < depths[i]) {
        std::swap(depths[i], depths[j]);
        std::swap(leaves[i], leaves[j]);
      }
  return n;
}

void Surface::OffsetChildren() {
  for (int i = 0; i < childCapacity; ++i) {
    if (Surface* child = childList[static_cast<std::size_t>(i)]) {
      child->MoveBy(x, y, z);
      child->OffsetChildren();
    }
  }
}

void Surface::RestoreChildOffsets() {
  for (int i = 0; i < childCapacity; ++i) {
    if (Surface* child = childList[static_cast<std::size_t>(i)]) {
      child->RestoreChildOffsets();
      child->MoveBy(-x, -y, -z);
    }
  }
}

BoundingBox Surface::Bounds() {
  BoundingBox box = hitBox;
  if (box.IsEmpty()) box.Set(0, 0, 0, FrameWidth(), FrameHeight(), FrameHeight());
  box.Offset(x, y, z);
  bounds = box;
  return box;
}

int Surface::Overlaps(const BoundingBox& box) {
  const BoundingBox b = Bounds();
  return !(b.y1 < box.y0 || box.y1 < b.y0 || b.x1 < box.x0 || box.x1 < b.x0 || b.z1 < box.z0 ||
           box.z1 < b.z0);
}

int Surface::OverlapsSurface(Surface* other) { return other ? Overlaps(other->Bounds()) : 0; }

Surface* Surface::FindOverlappingChild(Surface* surface) {
  if (!surface) return nullptr;
  const BoundingBox box = surface->Bounds();
  for (int i = 0; i < childCapacity; ++i) {
    Surface* child = childList[static_cast<std::size_t>(i)];
    if (child && child->Overlaps(box)) return child;
  }
  return nullptr;
}

}  // namespace oru
