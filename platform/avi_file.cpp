#include "platform/avi_file.h"

#include <cstring>

#include "platform/file_io.h"

namespace platform {
namespace {

constexpr std::uint32_t kAvifHasIndex = 0x10;
constexpr std::uint32_t kAviifKeyFrame = 0x10;
constexpr std::size_t kMainHeaderBytes = 56;
constexpr std::size_t kStreamHeaderBytes = 56;
constexpr std::size_t kBitmapInfoBytes = 40;

std::size_t RowStride(int width) { return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3}; }

// ---- writing --------------------------------------------------------------------------------

class ByteWriter {
 public:
  void Tag(const char* fourcc) { m_bytes.insert(m_bytes.end(), fourcc, fourcc + 4); }
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) m_bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void U16(std::uint16_t v) {
    m_bytes.push_back(static_cast<std::uint8_t>(v));
    m_bytes.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  // Starts a chunk (or LIST with its list type) and returns where its size goes.
  std::size_t Open(const char* fourcc, const char* listType = nullptr) {
    Tag(fourcc);
    const std::size_t at = m_bytes.size();
    U32(0);
    if (listType) Tag(listType);
    return at;
  }
  void Close(std::size_t sizeAt) {
    const auto size = static_cast<std::uint32_t>(m_bytes.size() - sizeAt - 4);
    for (int i = 0; i < 4; ++i) m_bytes[sizeAt + i] = static_cast<std::uint8_t>(size >> (8 * i));
    if (m_bytes.size() % 2) m_bytes.push_back(0);
  }
  std::size_t Size() const { return m_bytes.size(); }
  std::vector<std::uint8_t>& Bytes() { return m_bytes; }

 private:
  std::vector<std::uint8_t> m_bytes;
};

// ---- reading --------------------------------------------------------------------------------

std::uint32_t U32At(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t U16At(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
bool TagIs(const std::uint8_t* p, const char* fourcc) { return std::memcmp(p, fourcc, 4) == 0; }

struct Chunk {
  const std::uint8_t* tag = nullptr;
  const std::uint8_t* body = nullptr;
  std::size_t size = 0;
};

// Walks the chunks of [begin, end); a chunk that claims more than is left stops the walk with
// m_bTruncated set.
class ChunkWalker {
 public:
  ChunkWalker(const std::uint8_t* begin, const std::uint8_t* end) : m_p(begin), m_end(end) {}
  bool Next(Chunk& chunk) {
    if (m_end - m_p < 8) return false;
    const std::size_t size = U32At(m_p + 4);
    if (size > static_cast<std::size_t>(m_end - m_p) - 8) {
      m_bTruncated = true;
      return false;
    }
    chunk = {m_p, m_p + 8, size};
    const std::size_t step = 8 + size + (size & 1);
    m_p = step > static_cast<std::size_t>(m_end - m_p) ? m_end : m_p + step;
    return true;
  }
  bool m_bTruncated = false;

 private:
  const std::uint8_t* m_p;
  const std::uint8_t* m_end;
};

bool IsList(const Chunk& c, const char* type) {
  return TagIs(c.tag, "LIST") && c.size >= 4 && TagIs(c.body, type);
}

struct Headers {
  bool bMain = false, bStream = false, bFormat = false;
  std::uint32_t nMicroSecPerFrame = 0, nTotalFrames = 0, nScale = 0, nRate = 0;
  std::int32_t nWidth = 0, nHeight = 0;
  std::uint16_t nBitCount = 0;
  std::uint32_t nCompression = 0;
  bool bVideo = false;
};

AviResult ReadStreamList(const Chunk& strl, Headers& h) {
  ChunkWalker walk(strl.body + 4, strl.body + strl.size);
  Chunk c;
  bool bThisVideo = false;
  while (walk.Next(c)) {
    if (TagIs(c.tag, "strh")) {
      if (c.size < kStreamHeaderBytes) return AviResult::kBadHeader;
      bThisVideo = TagIs(c.body, "vids");
      if (bThisVideo && h.bStream) return AviResult::kUnsupported;  // a second video stream
      if (bThisVideo) {
        h.bStream = h.bVideo = true;
        h.nScale = U32At(c.body + 20);
        h.nRate = U32At(c.body + 24);
      }
    } else if (TagIs(c.tag, "strf") && bThisVideo) {
      if (c.size < kBitmapInfoBytes) return AviResult::kBadHeader;
      h.bFormat = true;
      h.nWidth = static_cast<std::int32_t>(U32At(c.body + 4));
      h.nHeight = static_cast<std::int32_t>(U32At(c.body + 8));
      h.nBitCount = U16At(c.body + 14);
      h.nCompression = U32At(c.body + 16);
    }
  }
  return walk.m_bTruncated ? AviResult::kTruncated : AviResult::kOk;
}

AviResult ReadHeaderList(const Chunk& hdrl, Headers& h) {
  ChunkWalker walk(hdrl.body + 4, hdrl.body + hdrl.size);
  Chunk c;
  while (walk.Next(c)) {
    if (TagIs(c.tag, "avih")) {
      if (c.size < kMainHeaderBytes) return AviResult::kBadHeader;
      h.bMain = true;
      h.nMicroSecPerFrame = U32At(c.body);
      h.nTotalFrames = U32At(c.body + 16);
    } else if (IsList(c, "strl")) {
      const AviResult r = ReadStreamList(c, h);
      if (r != AviResult::kOk) return r;
    }
  }
  return walk.m_bTruncated ? AviResult::kTruncated : AviResult::kOk;
}

// Copies the '00db' / '00dc' chunks of a movi list (also inside its 'rec ' lists, one level
// deep) as frames.
AviResult ReadMovieList(const Chunk& movi, bool bBottomUp, int width, int height, AviMovie& movie,
                        bool bNested = false) {
  const std::size_t stride = RowStride(width);
  const std::size_t need = stride * static_cast<std::size_t>(height);
  ChunkWalker walk(movi.body + 4, movi.body + movi.size);
  Chunk c;
  while (walk.Next(c)) {
    if (IsList(c, "rec ") && !bNested) {
      const AviResult r = ReadMovieList(c, bBottomUp, width, height, movie, true);
      if (r != AviResult::kOk) return r;
      continue;
    }
    if (!(TagIs(c.tag, "00db") || TagIs(c.tag, "00dc"))) continue;
    if (c.size < need) return AviResult::kTruncated;
    if (movie.m_frames.size() >= static_cast<std::size_t>(kAviMaxFrames)) return AviResult::kTooLarge;
    std::vector<std::uint8_t> frame(movie.FrameBytes());
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* src = c.body + stride * static_cast<std::size_t>(bBottomUp ? height - 1 - y : y);
      std::uint8_t* dst = frame.data() + static_cast<std::size_t>(y) * width * 3;
      for (int x = 0; x < width; ++x) {  // BGR in the file, RGB in memory
        dst[3 * x] = src[3 * x + 2];
        dst[3 * x + 1] = src[3 * x + 1];
        dst[3 * x + 2] = src[3 * x];
      }
    }
    movie.m_frames.push_back(std::move(frame));
  }
  return walk.m_bTruncated ? AviResult::kTruncated : AviResult::kOk;
}

AviResult Parse(const std::uint8_t* data, std::size_t size, AviMovie& movie) {
  if (!data || size < 12 || !TagIs(data, "RIFF") || !TagIs(data + 8, "AVI ")) return AviResult::kNotAvi;
  if (size > kAviMaxFileBytes) return AviResult::kTooLarge;
  const std::size_t riffSize = U32At(data + 4);
  if (riffSize < 4 || riffSize > size - 8) return AviResult::kTruncated;

  Headers h;
  const Chunk* movi = nullptr;
  Chunk c, moviChunk;
  ChunkWalker walk(data + 12, data + 8 + riffSize);
  while (walk.Next(c)) {
    if (IsList(c, "hdrl")) {
      const AviResult r = ReadHeaderList(c, h);
      if (r != AviResult::kOk) return r;
    } else if (IsList(c, "movi") && !movi) {
      moviChunk = c;
      movi = &moviChunk;
    }
  }
  if (walk.m_bTruncated) return AviResult::kTruncated;
  if (!h.bMain || !h.bStream || !h.bFormat) return AviResult::kBadHeader;
  if (h.nBitCount != 24 || !(h.nCompression == 0 || h.nCompression == 0x20424944 /* 'DIB ' */))
    return AviResult::kUnsupported;
  const bool bBottomUp = h.nHeight > 0;
  const std::int64_t height = h.nHeight < 0 ? -static_cast<std::int64_t>(h.nHeight) : h.nHeight;
  if (h.nWidth <= 0 || height == 0) return AviResult::kBadHeader;
  if (h.nWidth > kAviMaxSide || height > kAviMaxSide || h.nTotalFrames > static_cast<std::uint32_t>(kAviMaxFrames))
    return AviResult::kTooLarge;
  if (!movi) return AviResult::kNoFrames;

  movie.m_nWidth = h.nWidth;
  movie.m_nHeight = static_cast<int>(height);
  // The main header's frame time, else the stream's rate; from 1 us to 10 s a frame.
  const std::uint64_t streamMicroSec = h.nRate > 0 ? 1'000'000ull * h.nScale / h.nRate : 0;
  const std::uint64_t microSec = h.nMicroSecPerFrame > 0 ? h.nMicroSecPerFrame : streamMicroSec;
  if (microSec < 1 || microSec > 10'000'000) return AviResult::kBadHeader;
  movie.m_nMicroSecPerFrame = static_cast<int>(microSec);
  const AviResult r = ReadMovieList(*movi, bBottomUp, movie.m_nWidth, movie.m_nHeight, movie);
  if (r != AviResult::kOk) return r;
  if (movie.m_frames.empty()) return AviResult::kNoFrames;
  if (movie.m_frames.size() < h.nTotalFrames) return AviResult::kTruncated;
  return AviResult::kOk;
}

}  // namespace

const char* AviResultText(AviResult result) {
  switch (result) {
    case AviResult::kOk: return "ok";
    case AviResult::kNotAvi: return "not an AVI file";
    case AviResult::kTruncated: return "the file is truncated or a chunk is damaged";
    case AviResult::kBadHeader: return "the movie headers are missing or inconsistent";
    case AviResult::kUnsupported: return "not a single uncompressed 24-bit video stream";
    case AviResult::kTooLarge: return "the movie is larger than an animation may be";
    case AviResult::kNoFrames: return "the movie holds no frames";
    case AviResult::kCannotOpen: return "the file cannot be opened";
    case AviResult::kCannotWrite: return "the file cannot be written";
  }
  return "unknown result";
}

std::vector<std::uint8_t> WriteAvi(const AviMovie& movie) {
  const std::size_t frameBytes = movie.FrameBytes();
  if (movie.m_nWidth <= 0 || movie.m_nHeight <= 0 || movie.m_frames.empty() || movie.m_nMicroSecPerFrame <= 0)
    return {};
  for (const auto& f : movie.m_frames)
    if (f.size() != frameBytes) return {};

  const std::size_t stride = RowStride(movie.m_nWidth);
  const auto imageBytes = static_cast<std::uint32_t>(stride * movie.m_nHeight);
  const auto frames = static_cast<std::uint32_t>(movie.m_frames.size());
  const auto w = static_cast<std::uint32_t>(movie.m_nWidth), h = static_cast<std::uint32_t>(movie.m_nHeight);
  // Rate as a fraction: 1 000 000 / microseconds per frame.
  const std::uint32_t rate = 1'000'000, scale = static_cast<std::uint32_t>(movie.m_nMicroSecPerFrame);

  ByteWriter out;
  const std::size_t riff = out.Open("RIFF", "AVI ");
  const std::size_t hdrl = out.Open("LIST", "hdrl");
  const std::size_t avih = out.Open("avih");
  out.U32(scale);
  out.U32(static_cast<std::uint32_t>(static_cast<std::uint64_t>(imageBytes) * rate / scale));
  out.U32(0);
  out.U32(kAvifHasIndex);
  out.U32(frames);
  out.U32(0);  // initial frames
  out.U32(1);  // streams
  out.U32(imageBytes);
  out.U32(w);
  out.U32(h);
  for (int i = 0; i < 4; ++i) out.U32(0);
  out.Close(avih);
  const std::size_t strl = out.Open("LIST", "strl");
  const std::size_t strh = out.Open("strh");
  out.Tag("vids");
  out.Tag("DIB ");
  out.U32(0);  // flags
  out.U16(0);  // priority
  out.U16(0);  // language
  out.U32(0);  // initial frames
  out.U32(scale);
  out.U32(rate);
  out.U32(0);  // start
  out.U32(frames);
  out.U32(imageBytes);
  out.U32(0xFFFFFFFFu);  // quality: default
  out.U32(0);            // sample size: varies per chunk
  out.U16(0);
  out.U16(0);
  out.U16(static_cast<std::uint16_t>(w));
  out.U16(static_cast<std::uint16_t>(h));
  out.Close(strh);
  const std::size_t strf = out.Open("strf");
  out.U32(40);
  out.U32(w);
  out.U32(h);  // positive height: rows bottom-up
  out.U16(1);
  out.U16(24);
  out.U32(0);  // uncompressed
  out.U32(imageBytes);
  out.U32(2835);  // 72 dpi
  out.U32(2835);
  out.U32(0);
  out.U32(0);
  out.Close(strf);
  out.Close(strl);
  out.Close(hdrl);

  const std::size_t movi = out.Open("LIST", "movi");
  const std::size_t moviTag = movi + 4;  // index offsets count from the 'movi' tag
  std::vector<std::uint32_t> offsets;
  std::vector<std::uint8_t> row(stride, 0);
  for (const auto& f : movie.m_frames) {
    offsets.push_back(static_cast<std::uint32_t>(out.Size() - moviTag));
    const std::size_t chunk = out.Open("00db");
    for (int y = movie.m_nHeight - 1; y >= 0; --y) {
      const std::uint8_t* src = f.data() + static_cast<std::size_t>(y) * movie.m_nWidth * 3;
      for (int x = 0; x < movie.m_nWidth; ++x) {
        row[3 * x] = src[3 * x + 2];
        row[3 * x + 1] = src[3 * x + 1];
        row[3 * x + 2] = src[3 * x];
      }
      out.Bytes().insert(out.Bytes().end(), row.begin(), row.end());
    }
    out.Close(chunk);
  }
  out.Close(movi);
  const std::size_t idx1 = out.Open("idx1");
  for (std::uint32_t offset : offsets) {
    out.Tag("00db");
    out.U32(kAviifKeyFrame);
    out.U32(offset);
    out.U32(imageBytes);
  }
  out.Close(idx1);
  out.Close(riff);
  return std::move(out.Bytes());
}

AviResult WriteAviFile(const std::string& path, const AviMovie& movie) {
  const std::vector<std::uint8_t> bytes = WriteAvi(movie);
  if (bytes.empty()) return AviResult::kBadHeader;
  FileHandle h = CreateAlways(path);
  if (!IsOpen(h)) return AviResult::kCannotWrite;
  const bool bOk = WriteFile(h, bytes.data(), static_cast<int>(bytes.size())) == static_cast<int>(bytes.size());
  CloseFile(h);
  if (!bOk) DeleteFile(path);
  return bOk ? AviResult::kOk : AviResult::kCannotWrite;
}

AviResult ReadAvi(const std::uint8_t* data, std::size_t size, AviMovie& movie) {
  movie = AviMovie{};
  const AviResult r = Parse(data, size, movie);
  if (r != AviResult::kOk) movie = AviMovie{};
  return r;
}

AviResult ReadAviFile(const std::string& path, AviMovie& movie) {
  movie = AviMovie{};
  FileHandle h = OpenExisting(path);
  if (!IsOpen(h)) return AviResult::kCannotOpen;
  const long long size = FileSize(h);
  if (size < 0) {
    CloseFile(h);
    return AviResult::kCannotOpen;
  }
  if (static_cast<unsigned long long>(size) > kAviMaxFileBytes) {
    CloseFile(h);
    return AviResult::kTooLarge;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  const int got = bytes.empty() ? 0 : ReadFile(h, bytes.data(), static_cast<int>(bytes.size()));
  CloseFile(h);
  if (got != static_cast<int>(bytes.size())) return AviResult::kCannotOpen;
  return ReadAvi(bytes.data(), bytes.size(), movie);
}

}  // namespace platform
