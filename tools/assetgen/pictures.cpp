// The list of the game's pictures and the contact sheet that shows them for review.
#include <algorithm>
#include <utility>

#include "tools/assetgen/art.h"
#include "tools/assetgen/glyphs.h"
#include "tools/assetgen/palette.h"

namespace oru::assetgen {

std::vector<PictureAsset> MakePictures() {
  std::vector<PictureAsset> list;
  auto add = [&list](const char* name, Picture pic, int cw, int ch, bool keyed, bool fourBit) {
    list.push_back(PictureAsset{name, std::move(pic), cw, ch, keyed, fourBit});
  };
  add("haikei1.bmp", DrawFieldBackground(), 0, 0, false, false);
  add("haikei0.bmp", DrawTitleBackground(), 0, 0, false, false);
  add("title2.bmp", DrawHowToPlay(), 0, 0, true, false);
  add("title1.bmp", DrawLogo(), 0, 0, true, false);
  add("title3.bmp", DrawPressStart(), 0, 0, true, false);
  add("zenkei2.bmp", DrawRearForeground(), 0, 0, true, false);
  add("saru.bmp", DrawMonkey(), 50, 60, true, false);
  add("tako.bmp", DrawOctopus(), 40, 40, true, false);
  add("boss.bmp", DrawBoss(), 0, 0, true, false);
  add("kuri_n.bmp", DrawChestnut(), 0, 0, true, true);
  add("kuri_b.bmp", DrawRoastChestnut(), 0, 0, true, false);
  add("kuri_s.bmp", DrawChargeShot(), 21, 20, true, false);
  add("baku.bmp", DrawExplosion(), 96, 96, true, false);
  add("kaki_s.bmp", DrawPersimmon(false), 0, 0, true, false);
  add("kaki_a.bmp", DrawPersimmon(true), 0, 0, true, false);
  add("sumi.bmp", DrawInk(), 0, 0, true, true);
  add("kani.bmp", DrawCrab(), 40, 40, true, false);
  add("usu.bmp", DrawMortar(), 0, 0, true, false);
  add("usubaku.bmp", DrawMortarPickup(), 0, 0, true, false);
  add("zenkei1.bmp", DrawFrontForeground(), 0, 0, true, false);
  add("fire.bmp", DrawFireIcon(), 0, 0, true, true);
  add("meter.bmp", DrawClockFace(), 0, 0, true, false);
  add("kakimeter.bmp", DrawLifePersimmon(), 0, 0, true, true);
  add("gameover.bmp", DrawGameOver(), 0, 0, false, false);
  add("gameclear.bmp", DrawGameClear(), 0, 0, false, false);
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
