// Reading WAVE images and converting their samples.
#include "oru/sound/wave_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "oru/data/last_error.h"
#include "oru/platform/resampler.h"

namespace oru {
namespace {

std::uint16_t Read16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Read32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The GUID of an extensible sub-format is the format tag followed by these 14 bytes.
constexpr std::uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr std::uint32_t kExtensibleRecord = 40;

// Largest number of float samples one sound may hold, before and after conversion (128 MiB): a
// few minutes of stereo sound, and a bound on what a hostile header (a tiny rate with a long
// data chunk) can make us allocate.
constexpr std::uint64_t kMaxSamples = 32u << 20;

// One sample of each format as a float in -1..1 (floats as they are, but never NaN or infinite).
float IntegerSample(const std::uint8_t* p, int bytes) {
  switch (bytes) {
    case 1:
      return (static_cast<int>(p[0]) - 128) / 128.0f;
    case 2:
      return static_cast<float>(static_cast<std::int16_t>(Read16(p))) / 32768.0f;
    case 3: {
      const std::int32_t v = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) << 8 |
                                                       static_cast<std::uint32_t>(p[1]) << 16 |
                                                       static_cast<std::uint32_t>(p[2]) << 24);
      return static_cast<float>(static_cast<double>(v) / 2147483648.0);
    }
    default:
      return static_cast<float>(static_cast<double>(static_cast<std::int32_t>(Read32(p))) /
                                2147483648.0);
  }
}

float FloatSample(const std::uint8_t* p) {
  const std::uint32_t bits = Read32(p);
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return std::isfinite(v) ? v : 0.0f;
}

}  // namespace

bool ParseWaveImage(const std::uint8_t* image, std::size_t size, WaveImageInfo* info) {
  if (image == nullptr || size < 12) {
    SetLastError("is too short for a RIFF header (%zu bytes, 12 needed)", size);
    return false;
  }
  // Offsets are kept in 32 bits, as RIFF sizes are.
  if (size > UINT32_MAX) {
    SetLastError("is %zu bytes long, more than a RIFF file can hold", size);
    return false;
  }
  if (std::memcmp(image, "RIFF", 4) != 0) {
    SetLastError("has no RIFF tag at offset 0");
    return false;
  }
  if (std::memcmp(image + 8, "WAVE", 4) != 0) {
    SetLastError("is a RIFF file but not WAVE (no WAVE tag at offset 8)");
    return false;
  }
  WaveImageInfo found;
  bool haveFormat = false, haveData = false;
  std::size_t at = 12;
  while (size - at >= 8 && !(haveFormat && haveData)) {
    const std::uint8_t* tag = image + at;
    const std::uint32_t chunkBytes = Read32(image + at + 4);
    const std::size_t body = at + 8;
    const bool isFormat = std::memcmp(tag, "fmt ", 4) == 0,
               isData = std::memcmp(tag, "data", 4) == 0;
    if (chunkBytes > size - body) {
      // A chunk that claims more than the image holds: fatal only for the two we need.
      if ((isFormat && !haveFormat) || (isData && !haveData)) {
        SetLastError(
            "has a %s chunk of %u bytes at offset %zu, past the end of the file (%zu bytes)",
            isFormat ? "format" : "data", chunkBytes, at, size);
        return false;
      }
      break;
    }
    if (!haveFormat && isFormat) {
      if (chunkBytes < 16) {
        SetLastError("has a format chunk of only %u bytes at offset %zu (16 needed)", chunkBytes,
                     at);
        return false;
      }
      const std::uint8_t* f = image + body;
      found.formatTag = Read16(f);
      found.channels = Read16(f + 2);
      found.samplesPerSecond = Read32(f + 4);
      found.averageBytesPerSecond = Read32(f + 8);
      found.blockAlign = Read16(f + 12);
      found.bitsPerSample = Read16(f + 14);
      found.formatOffset = static_cast<std::uint32_t>(body);
      found.formatBytes = chunkBytes;
      haveFormat = true;
    } else if (!haveData && isData) {
      found.dataOffset = static_cast<std::uint32_t>(body);
      found.dataBytes = chunkBytes;
      haveData = true;
    }
    // Chunks are padded to an even length; the pad byte of the last chunk may be missing.
    const std::size_t next = body + chunkBytes + (chunkBytes & 1);
    if (next > size) break;
    at = next;
  }
  if (!haveFormat || !haveData) {
    SetLastError("has no %s chunk", haveFormat ? "data" : "format");
    return false;
  }
  if (found.channels == 0 || found.blockAlign == 0) {
    SetLastError("has %s of 0 in its format chunk at offset %u",
                 found.channels == 0 ? "a channel count" : "a block align", found.formatOffset - 8);
    return false;
  }
  *info = found;
  return true;
}

bool WavePcmFormat(const std::uint8_t* image, const WaveImageInfo& info, PcmFormat* format) {
  std::uint16_t tag = info.formatTag;
  if (tag == kWaveFormatExtensible) {
    if (info.formatBytes < kExtensibleRecord) {
      SetLastError("is WAVE_FORMAT_EXTENSIBLE with a format record of %u bytes (%u needed)",
                   info.formatBytes, kExtensibleRecord);
      return false;
    }
    const std::uint8_t* guid = image + info.formatOffset + 24;
    tag = Read16(guid);
    if (std::memcmp(guid + 2, kGuidTail, sizeof kGuidTail) != 0 ||
        (tag != kWaveFormatPcm && tag != kWaveFormatFloat)) {
      SetLastError("is WAVE_FORMAT_EXTENSIBLE with a sub-format other than PCM or float");
      return false;
    }
  }
  if (tag != kWaveFormatPcm && tag != kWaveFormatFloat) {
    SetLastError(
        "has format tag 0x%04X; only PCM (1), float (3) and extensible PCM or float are read", tag);
    return false;
  }
  if (info.channels != 1 && info.channels != 2) {
    SetLastError("has %u channels; only mono and stereo are read", info.channels);
    return false;
  }
  const int bits = info.bitsPerSample;
  if (tag == kWaveFormatFloat ? bits != 32
                              : (bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
    SetLastError(tag == kWaveFormatFloat
                     ? "has %d-bit float samples; only 32-bit float is read"
                     : "has %d-bit integer samples; 8, 16, 24 and 32 bits are read",
                 bits);
    return false;
  }
  if (info.samplesPerSecond == 0 || info.samplesPerSecond > INT32_MAX) {
    SetLastError("plays at %u frames per second", info.samplesPerSecond);
    return false;
  }
  const int frameBytes = info.channels * bits / 8;
  if (info.blockAlign < frameBytes) {
    SetLastError("has a block align of %u, less than the %d bytes of a frame", info.blockAlign,
                 frameBytes);
    return false;
  }
  *format = PcmFormat{info.channels, static_cast<int>(info.samplesPerSecond), bits, info.blockAlign,
                      tag == kWaveFormatFloat};
  return true;
}

bool ConvertPcm(const PcmFormat& format, const void* bytes, std::size_t size, int rate,
                std::vector<float>* out) {
  if (format.channels != 1 && format.channels != 2) {
    SetLastError("has %d channels; only mono and stereo are read", format.channels);
    return false;
  }
  const int sampleBytes = format.bitsPerSample / 8;
  if (format.isFloat ? format.bitsPerSample != 32
                     : (format.bitsPerSample % 8 != 0 || sampleBytes < 1 || sampleBytes > 4)) {
    SetLastError("has %d-bit samples, which are not read", format.bitsPerSample);
    return false;
  }
  const int stride = format.blockAlign != 0 ? format.blockAlign : format.channels * sampleBytes;
  if (stride < format.channels * sampleBytes) {
    SetLastError("has a block align of %d, less than the %d bytes of a frame", stride,
                 format.channels * sampleBytes);
    return false;
  }
  if (!CanResample(format.rate, rate)) {
    SetLastError("plays at %d frames per second, too far from the device's %d to convert",
                 format.rate, rate);
    return false;
  }
  if (bytes == nullptr && size != 0) {
    SetLastError("has no samples");
    return false;
  }
  const std::uint64_t frames = size / static_cast<std::size_t>(stride);
  if (frames == 0) {
    SetLastError("holds no whole frame of samples");
    return false;
  }
  const std::uint64_t outFrames = ConvertedFrames(frames, format.rate, rate);
  if (frames * format.channels > kMaxSamples || outFrames * format.channels > kMaxSamples) {
    SetLastError(
        "would take %llu samples at %d frames per second, more than the %llu a sound may hold",
        static_cast<unsigned long long>(std::max(frames, outFrames) * format.channels), rate,
        static_cast<unsigned long long>(kMaxSamples));
    return false;
  }
  std::vector<float> decoded;
  std::vector<float> converted;
  try {
    decoded.resize(frames * static_cast<std::uint64_t>(format.channels));
    const auto* in = static_cast<const std::uint8_t*>(bytes);
    float* d = decoded.data();
    for (std::uint64_t i = 0; i < frames; ++i) {
      const std::uint8_t* frame = in + i * static_cast<std::uint64_t>(stride);
      for (int c = 0; c < format.channels; ++c) {
        const std::uint8_t* p = frame + c * sampleBytes;
        *d++ = format.isFloat ? FloatSample(p) : IntegerSample(p, sampleBytes);
      }
    }
    if (!Resample(decoded.data(), frames, format.channels, format.rate, rate, &converted)) {
      SetLastError("could not be converted from %d to %d frames per second", format.rate, rate);
      return false;
    }
  } catch (const std::bad_alloc&) {
    SetLastError("needs more memory for its samples than is available");
    return false;
  }
  out->swap(converted);
  return true;
}

bool DecodeWave(const std::uint8_t* image, std::size_t size, int rate, std::vector<float>* out,
                int* channels) {
  WaveImageInfo info;
  PcmFormat format;
  if (!ParseWaveImage(image, size, &info) || !WavePcmFormat(image, info, &format)) return false;
  if (!ConvertPcm(format, image + info.dataOffset, info.dataBytes, rate, out)) return false;
  *channels = format.channels;
  return true;
}

}  // namespace oru
