/// \file
/// Giving up a load early. Loading happens before a game's message loop runs, so a close request
/// (the window's close button, SIGTERM, Ctrl+C) would otherwise wait until every asset is in;
/// with a damaged or hostile file that can be a long time. The application installs a check,
/// the loaders call LoadCancelled between pieces of long work (a pack's unpacking, a MIDI file's
/// track merge) and give up with their failure result, and the application checks it between
/// assets:
///
///   oru::SetLoadCancelCheck(&oru::ClosePending);   // before loading, on the primary thread
///   LoadEverything();                              // each loader may stop early
///   if (oru::LoadCancelled()) ...                  // leave instead of starting the game
///
/// Without a check nothing is ever cancelled. The check is called on the loading thread.
#pragma once

namespace oru {

/// Asked between the steps of a long load; true stops it.
using LoadCancelCheck = bool (*)();

/// Installs check (null removes it) and returns the previous one. Safe from any thread.
LoadCancelCheck SetLoadCancelCheck(LoadCancelCheck check);

/// The installed check's answer; false without one.
bool LoadCancelled();

}  // namespace oru
