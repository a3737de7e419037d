// The token stream of a pack: a flag area and a data area, produced by the encoder and read back
// by the decoder. PackFile (pack_file.h) adds the header, the info block and the stored name.
//
// Tokens are numbered from 0 in data-area order. Token t's flag is bit t % 8 (least significant
// first) of flag byte t / 8. Flag 1: a literal, one data byte copied to the output. Flag 0: a
// back-reference, two data bytes forming a little-endian word w; it copies (w & 15) + 3 bytes,
// one at a time, from (w >> 4) + 3 bytes back in the output (an overlapping copy repeats the
// bytes just written). The token count is not stored: decoding ends with the data area. The flag
// area is sized from the data area, (dataBytes + 7) / 8 bytes, so its surplus bits are 0.
//
// The encoder picks, at each position, the longest match of 3 to 18 bytes starting 3 to 4098
// bytes back that does not reach into the bytes being encoded; among equally long matches the
// farthest back wins. EncodePackScan is the plain search over every candidate; EncodePack finds
// the same matches through hash chains and gives identical bytes, much faster. Its chains cover
// one slice of the input at a time (with the window before it), so besides the tokens it needs
// about 12 bytes per byte of a slice, not of the whole input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace oru {

inline constexpr int kPackMinMatch = 3;
inline constexpr int kPackMaxMatch = 18;
inline constexpr int kPackMaxDistance = 4098;

struct PackTokens {
  std::vector<std::uint8_t> flags;  // (data.size() + 7) / 8 bytes
  std::vector<std::uint8_t> data;
};

// The input EncodePack searches at a time: 4 MiB, so its tables take about 48 MiB at most.
inline constexpr std::size_t kPackSliceBytes = std::size_t{4} << 20;

// Encodes size bytes; fails (returns false, tokens untouched) only when size does not fit the
// format's 32-bit sizes.
bool EncodePack(const std::uint8_t* source, std::size_t size, PackTokens& tokens);

// EncodePack over slices of sliceBytes (tests pick small ones to cross many slice boundaries);
// the tokens are the same for every slice size.
bool EncodePackInSlices(const std::uint8_t* source, std::size_t size, std::size_t sliceBytes,
                        PackTokens& tokens);

// The reference encoder: a plain scan of up to 4097 candidates per position. Same output.
bool EncodePackScan(const std::uint8_t* source, std::size_t size, PackTokens& tokens);

// Decodes the tokens into exactly outSize bytes at out. Fails, with out partly written, when
// the flag area is too short for the tokens, the data area ends inside a back-reference, a
// back-reference reaches before the start of the output, or the output would not come out at
// exactly outSize bytes (LastError() says which, naming the data byte). Never reads or writes
// outside the three buffers.
bool DecodePack(const std::uint8_t* flags, std::size_t flagBytes, const std::uint8_t* data,
                std::size_t dataBytes, std::uint8_t* out, std::size_t outSize);

}  // namespace oru
