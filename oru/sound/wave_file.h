/// \file
/// WAVE files: finding the format and the samples in a RIFF/WAVE image, deciding whether we can
/// play them, and converting them to what the voices play (float frames at the rate the device
/// asks for).
///
///   WaveImageInfo info;
///   if (!ParseWaveImage(image, size, &info)) ...           // LastError() says why
///   std::vector<float> samples;
///   int channels = 0;
///   if (!DecodeWave(image, size, 48000, &samples, &channels)) ...   // the same, and converts
///
/// A RIFF/WAVE image is "RIFF", a 32-bit little-endian size, "WAVE", then a list of chunks, each a
/// 4-byte tag, a 32-bit little-endian size and that many bytes, padded to an even length. The
/// first "fmt " and the first "data" chunk are taken wherever they lie; others (LIST, fact, JUNK,
/// ...) are stepped over. The format record holds the format tag (16 bits), channels (16), frames
/// per second (32), bytes per second (32), block align (16: bytes per frame) and bits per sample
/// (16); WAVE_FORMAT_EXTENSIBLE (tag 0xFFFE) adds a size word, the valid bits, a channel mask and,
/// at byte 24 of the record, the GUID of the real sample format.
///
/// Read: integer PCM of 8 (unsigned), 16, 24 and 32 bits (signed), and 32-bit float (tag 3), mono
/// or stereo, directly or inside WAVE_FORMAT_EXTENSIBLE. Everything else is refused with a reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace oru {

///@{
/// Format tags of a WAVE format record: integer samples, float samples, and the extensible
/// record whose sub-format names one of the two.
inline constexpr std::uint16_t kWaveFormatPcm = 1;
inline constexpr std::uint16_t kWaveFormatFloat = 3;
inline constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;
///@}

/// Where a WAVE image keeps its format record and its samples. Offsets are from the start of the
/// image and always lie inside it.
struct WaveImageInfo {
  /// kWaveFormatPcm, kWaveFormatFloat or kWaveFormatExtensible.
  std::uint16_t formatTag = 0;
  /// Channels, interleaved.
  std::uint16_t channels = 0;
  /// Frames per second.
  std::uint32_t samplesPerSecond = 0;
  /// As the record states it; not checked.
  std::uint32_t averageBytesPerSecond = 0;
  /// Bytes of one frame.
  std::uint16_t blockAlign = 0;
  /// Bits of one sample.
  std::uint16_t bitsPerSample = 0;
  std::uint32_t formatOffset = 0;  ///< first byte of the format record
  std::uint32_t formatBytes = 0;   ///< size of the format chunk
  std::uint32_t dataOffset = 0;    ///< first sample byte
  /// Bytes of samples.
  std::uint32_t dataBytes = 0;
};

/// Finds the format and the data chunk. False, with the reason in LastError(), when the tags are
/// missing, either chunk is missing or runs past the image, the format chunk is shorter than 16
/// bytes, or channels or block align is 0.
bool ParseWaveImage(const std::uint8_t* image, std::size_t size, WaveImageInfo* info);

/// Layout of raw samples.
struct PcmFormat {
  int channels = 1;        ///< 1 or 2; stereo is left, right
  int rate = 0;            ///< frames per second
  int bitsPerSample = 16;  ///< 8 (unsigned), 16, 24, 32 (signed little-endian), or 32 with isFloat
  int blockAlign = 0;      ///< bytes per frame; 0 means channels * bitsPerSample / 8
  bool isFloat = false;    ///< 32-bit IEEE float
};

/// The layout of the samples of a parsed image, when we can play them. False, with the reason in
/// LastError(), for any other format, channel count or sample size, a rate of 0, or a block
/// align smaller than a frame.
bool WavePcmFormat(const std::uint8_t* image, const WaveImageInfo& info, PcmFormat* format);

/// Converts the whole frames of raw samples to float frames at rate: integers scaled to -1..1,
/// floats taken as they are (what is not a number becomes silence), with band-limited resampling
/// when the rates differ. The length is the file's frames x rate / file rate. False, with the
/// reason in LastError() and out unchanged, for a format that cannot be played, no whole frame,
/// a sound too long to hold (more than 32 Mi samples either side), or rates too far apart.
bool ConvertPcm(const PcmFormat& format, const void* bytes, std::size_t size, int rate,
                std::vector<float>* out);

/// ParseWaveImage, WavePcmFormat and ConvertPcm in one: the image's samples at rate, and their
/// channel count.
bool DecodeWave(const std::uint8_t* image, std::size_t size, int rate, std::vector<float>* out,
                int* channels);

}  // namespace oru
