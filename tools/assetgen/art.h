// The game's pictures as the generator draws them, and the contact sheet that shows them all.
#pragma once

#include <string>
#include <vector>

#include "tools/assetgen/picture.h"

namespace oru::assetgen {

// One picture file of the game.
struct PictureAsset {
  std::string name;   // file name the game loads, e.g. "kani.bmp"
  Picture picture;    // default-palette indices
  int cellWidth = 0;  // animation cell size; 0 = the whole picture is one cell
  int cellHeight = 0;
  bool keyed = true;     // the key colour fills the top-left pixel and every clear pixel
  bool fourBit = false;  // stored as a 4-bit BMP (at most 16 colours)
};

// Every picture of the game, in the order the game loads them.
std::vector<PictureAsset> MakePictures();

// All pictures with every cell framed, on a neutral background.
Picture MakeContactSheet(const std::vector<PictureAsset>& pictures);

// Individual pictures (art_*.cpp).
Picture DrawCrab();                // 80x40, 2 cells
Picture DrawMonkey();              // 200x60, 4 cells
Picture DrawOctopus();             // 160x40, 4 cells
Picture DrawBoss();                // 500x310
Picture DrawChestnut();            // 20x16
Picture DrawRoastChestnut();       // 20x16
Picture DrawChargeShot();          // 63x20, 3 cells
Picture DrawExplosion();           // 384x384, 16 cells
Picture DrawPersimmon(bool ripe);  // 30x30
Picture DrawInk();                 // 16x12
Picture DrawMortar();              // 80x70
Picture DrawMortarPickup();        // 40x40
Picture DrawFireIcon();            // 24x16
Picture DrawClockFace();           // 100x100
Picture DrawLifePersimmon();       // 16x16
Picture DrawFieldBackground();     // 640x480
Picture DrawTitleBackground();     // 640x480
Picture DrawLogo();                // 640x200
Picture DrawHowToPlay();           // 640 wide
Picture DrawPressStart();          // 640x70
Picture DrawRearForeground();      // 320x480
Picture DrawFrontForeground();     // 240x480
Picture DrawGameOver();            // 640x480
Picture DrawGameClear();           // 640x480

}  // namespace oru::assetgen
