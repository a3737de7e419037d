// The game's pictures drawn to the game's picture table, and the contact sheet that shows them
// for review.
#include <algorithm>

#include "game/picture_table.h"
#include "tools/assetgen/art.h"
#include "tools/assetgen/glyphs.h"
#include "tools/assetgen/palette.h"

namespace oru::assetgen {

namespace {

// The drawing of each picture; its name, cells and key come from the game's table.
Picture DrawPicture(brellow::PictureId id) {
  using brellow::PictureId;
  switch (id) {
    case PictureId::FieldBackground:
      return DrawFieldBackground();
    case PictureId::TitleBackground:
      return DrawTitleBackground();
    case PictureId::HowToPlay:
      return DrawHowToPlay();
    case PictureId::Logo:
      return DrawLogo();
    case PictureId::PressStart:
      return DrawPressStart();
    case PictureId::RearForeground:
      return DrawRearForeground();
    case PictureId::Monkey:
      return DrawMonkey();
    case PictureId::Octopus:
      return DrawOctopus();
    case PictureId::Boss:
      return DrawBoss();
    case PictureId::Chestnut:
      return DrawChestnut();
    case PictureId::RoastChestnut:
      return DrawRoastChestnut();
    case PictureId::ChargeShot:
      return DrawChargeShot();
    case PictureId::Explosion:
      return DrawExplosion();
    case PictureId::BadPersimmon:
      return DrawPersimmon(false);
    case PictureId::GoodPersimmon:
      return DrawPersimmon(true);
    case PictureId::Ink:
      return DrawInk();
    case PictureId::Crab:
      return DrawCrab();
    case PictureId::Mortar:
      return DrawMortar();
    case PictureId::MortarPickup:
      return DrawMortarPickup();
    case PictureId::FrontForeground:
      return DrawFrontForeground();
    case PictureId::FireIcon:
      return DrawFireIcon();
    case PictureId::ClockFace:
      return DrawClockFace();
    case PictureId::LifePersimmon:
      return DrawLifePersimmon();
    case PictureId::GameOver:
      return DrawGameOver();
    case PictureId::GameClear:
      return DrawGameClear();
  }
  // Every id has its case above, which the compiler checks; this only ends the function.
  return Picture();
}

}  // namespace

std::vector<PictureAsset> MakePictures() {
  std::vector<PictureAsset> list;
  for (const brellow::PictureRow& row : brellow::kPictureTable) {
    list.push_back(PictureAsset{row.file, DrawPicture(row.id), row.cellWidth, row.cellHeight,
                                row.keyed, row.fourBit});
  }
  return list;
}

Picture MakeContactSheet(const std::vector<PictureAsset>& pictures) {
  // Shelf layout: pictures left to right, a new shelf when the row is full; each picture gets a
  // label and a gap, and each cell a frame line, so cell sizes can be checked by eye.
  constexpr int kWidth = 1400, kGap = 12, kLabel = 12;
  const uint8_t background = C(128, 128, 128), frame = C(255, 255, 0), label = C(255, 255, 255);
  struct Place {
    int x, y;
  };
  std::vector<Place> places;
  int x = kGap, y = kGap, shelf = 0;
  for (const auto& a : pictures) {
    const int w = a.picture.Width() + 2, h = a.picture.Height() + 2 + kLabel;
    if (x + w + kGap > kWidth) {
      x = kGap;
      y += shelf + kGap;
      shelf = 0;
    }
    places.push_back({x, y});
    x += std::max(w, TextWidth(a.name, 1)) + kGap;
    shelf = std::max(shelf, h);
  }
  Picture sheet(kWidth, y + shelf + kGap, background);
  for (size_t i = 0; i < pictures.size(); ++i) {
    const PictureAsset& a = pictures[i];
    const int px = places[i].x + 1, py = places[i].y + kLabel + 1;
    DrawText(sheet, a.name, places[i].x, places[i].y + 2, 1, label);
    const int cw = a.cellWidth > 0 ? a.cellWidth : a.picture.Width();
    const int ch = a.cellHeight > 0 ? a.cellHeight : a.picture.Height();
    for (int cy = 0; cy + ch <= a.picture.Height(); cy += ch) {
      for (int cx = 0; cx + cw <= a.picture.Width(); cx += cw) {
        sheet.FillRect(px + cx - 1, py + cy - 1, cw + 2, 1, frame);
        sheet.FillRect(px + cx - 1, py + cy + ch, cw + 2, 1, frame);
        sheet.FillRect(px + cx - 1, py + cy - 1, 1, ch + 2, frame);
        sheet.FillRect(px + cx + cw, py + cy - 1, 1, ch + 2, frame);
      }
    }
    sheet.Draw(a.picture, px, py, kKey);
  }
  return sheet;
}

}  // namespace oru::assetgen
