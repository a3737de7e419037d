// The instruction set of the run-table copies. They use 32-byte moves where the processor has
// AVX2, found at start-up, and the 16-byte moves every x86-64 has otherwise; both give the same
// pixels. Tests and measurements use the switch to run the narrower copies on any machine.
#pragma once

namespace oru {

// enable non-zero lets the copies use the wide moves if the processor has them; 0 keeps them to
// the baseline. Returns the previous setting (1 when the wide moves were in use). Not for use
// while another thread blits.
int SetWideBlitCopies(int enable);

}  // namespace oru
