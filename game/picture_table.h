// The game's picture files in one table: what each file is called, how it is cut into animation
// cells, how many items its pool holds and how it is keyed. GameWindow::LoadAssets loads them
// from it and the asset generator (tools/assetgen) draws them to it, so a cell size or a key is
// written here and nowhere else. Plain constants only: the generator includes this header without
// linking the game.
#pragma once

#include <array>
#include <cstddef>

namespace brellow {

// Every picture of the game, in the order LoadAssets reads them (which is the scene's layer
// order, back to front).
enum class PictureId : int {
  FieldBackground,
  TitleBackground,
  HowToPlay,
  Logo,
  PressStart,
  RearForeground,
  Monkey,
  Octopus,
  Boss,
  Chestnut,
  RoastChestnut,
  ChargeShot,
  Explosion,
  BadPersimmon,
  GoodPersimmon,
  Ink,
  Crab,
  Mortar,
  MortarPickup,
  FrontForeground,
  FireIcon,
  ClockFace,
  LifePersimmon,
  GameOver,
  GameClear,
};

struct PictureRow {
  PictureId id;
  const char* file;  // the name the game loads, plain or as its ".dpa" pack
  int cellWidth;     // one animation cell; 0 for a picture that is a single cell
  int cellHeight;
  int poolSize;  // the items an item set makes at load time; 0 for a picture that is no set
  bool keyed;    // the top-left pixel's colour is transparent (an item set's always is)
  bool fourBit;  // stored as a 4-bit BMP (at most 16 colours)
};

inline constexpr std::array<PictureRow, 25> kPictureTable{{
    {PictureId::FieldBackground, "haikei1.bmp", 0, 0, 0, false, false},
    {PictureId::TitleBackground, "haikei0.bmp", 0, 0, 0, false, false},
    {PictureId::HowToPlay, "title2.bmp", 0, 0, 0, true, false},
    {PictureId::Logo, "title1.bmp", 0, 0, 0, true, false},
    {PictureId::PressStart, "title3.bmp", 0, 0, 0, true, false},
    {PictureId::RearForeground, "zenkei2.bmp", 0, 0, 2, true, false},
    {PictureId::Monkey, "saru.bmp", 50, 60, 20, true, false},
    {PictureId::Octopus, "tako.bmp", 40, 40, 20, true, false},
    {PictureId::Boss, "boss.bmp", 0, 0, 1, true, false},
    {PictureId::Chestnut, "kuri_n.bmp", 0, 0, 30, true, true},
    {PictureId::RoastChestnut, "kuri_b.bmp", 0, 0, 30, true, false},
    {PictureId::ChargeShot, "kuri_s.bmp", 21, 20, 5, true, false},
    {PictureId::Explosion, "baku.bmp", 96, 96, 30, true, false},
    {PictureId::BadPersimmon, "kaki_s.bmp", 0, 0, 30, true, false},
    {PictureId::GoodPersimmon, "kaki_a.bmp", 0, 0, 10, true, false},
    {PictureId::Ink, "sumi.bmp", 0, 0, 30, true, true},
    {PictureId::Crab, "kani.bmp", 40, 40, 1, true, false},
    {PictureId::Mortar, "usu.bmp", 0, 0, 1, true, false},
    {PictureId::MortarPickup, "usubaku.bmp", 0, 0, 1, true, false},
    {PictureId::FrontForeground, "zenkei1.bmp", 0, 0, 2, true, false},
    {PictureId::FireIcon, "fire.bmp", 0, 0, 0, true, true},
    {PictureId::ClockFace, "meter.bmp", 0, 0, 0, true, false},
    {PictureId::LifePersimmon, "kakimeter.bmp", 0, 0, 0, true, true},
    {PictureId::GameOver, "gameover.bmp", 0, 0, 0, false, false},
    {PictureId::GameClear, "gameclear.bmp", 0, 0, 0, false, false},
}};

// The row of a picture. Rows stand in PictureId order, which the check below keeps true.
constexpr const PictureRow& PictureRowOf(PictureId id) {
  return kPictureTable[static_cast<std::size_t>(id)];
}

constexpr bool RowsInIdOrder() {
  for (std::size_t i = 0; i < kPictureTable.size(); ++i) {
    if (static_cast<std::size_t>(kPictureTable[i].id) != i) return false;
  }
  return true;
}
static_assert(RowsInIdOrder(), "kPictureTable's rows must stand in PictureId order");

}  // namespace brellow
