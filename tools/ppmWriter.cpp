// The PPM writer of `zolmcom topnm`. No second copy of the whole picture is
// made: 24-bit rows go out straight from the store, as few and as large
// writes as the rows' addresses allow; palette rows are looked up a band at
// a time into reused buffers. On Linux a second thread writes each band
// while the next one is looked up, so that the lookup costs no time beside
// the write on a machine with two cores; and a PCX picture whose palette
// the header gives is written while it is read: the reading thread looks up
// each band as soon as its rows are decoded, so that decoding costs no time
// beside the write either. The Windows toolchain's C++ library has no
// threads, and there the bands go out one after the other once the picture
// is read.
#include "tools/ppmWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>

#ifndef _WIN32
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#endif

#include "image/bitmapFile.h"
#include "image/imgStore.h"
#include "image/palette.h"
#include "image/saveTarget.h"
#include "tools/toolText.h"

namespace {

// Where the bytes go, and the platform's code of the first write that failed.
struct Output {
  HANDLE handle;
  uint32_t error = 0;
};

bool writeAll(Output& out, const uint8_t* data, size_t bytes) {
  while (bytes > 0) {
    const DWORD step = static_cast<DWORD>(std::min<size_t>(bytes, size_t{1} << 30));
    DWORD written = 0;
    if (!WriteFile(out.handle, data, step, &written, nullptr)) {
      out.error = GetLastError();
      return false;
    }
    if (written == 0) {
      out.error = ERROR_WRITE_FAULT;
      return false;
    }
    data += written;
    bytes -= written;
  }
  return true;
}

// Rows that follow each other in memory go out in one write.
bool writeTrueColorRows(Output& out, const cImgStore& store) {
  const size_t rowBytes = static_cast<size_t>(store.width) * 3;
  int32_t first = 0;
  while (first < store.rowCount) {
    const uint8_t* start = store.getRow(first);
    int32_t end = first + 1;
    while (end < store.rowCount && store.getRow(end) == start + rowBytes * static_cast<size_t>(end - first)) ++end;
    if (!writeAll(out, start, rowBytes * static_cast<size_t>(end - first))) return false;
    first = end;
  }
  return true;
}

// Palette rows [first, last) as red, green, blue bytes at `to`; the bytes
// written. Each colour is four bytes so that a pixel is one 32-bit store;
// the fourth byte is overwritten by the next pixel (the band has slack).
size_t lookUpBand(const cImgStore& store, const uint32_t* colors, int32_t first, int32_t last, uint8_t* to) {
  uint8_t* const start = to;
  const size_t width = static_cast<size_t>(store.width);
  for (int32_t r = first; r < last; ++r) {
    const uint8_t* row = store.getRow(r);
    for (size_t x = 0; x < width; ++x, to += 3) std::memcpy(to, &colors[row[x]], 4);
  }
  return static_cast<size_t>(to - start);
}

// Two-colour pictures (1 bit a pixel, indexes 0 and 1) eight pixels at a
// time: the low bits of eight index bytes, gathered into one byte by a
// multiplication, select the 24 bytes those eight pixels become.
inline unsigned gatherEight(const uint8_t* indexes) {
  uint64_t word;
  std::memcpy(&word, indexes, 8);
  return static_cast<unsigned>(((word & 0x0101010101010101ull) * 0x0102040810204080ull) >> 56);
}

struct OctetColors {
  uint8_t bytes[256][24];
};

// Built through gatherEight itself, so the table follows whatever order it
// gathers the bits in.
void makeOctetColors(const uint32_t* colors, OctetColors& octets) {
  for (unsigned pattern = 0; pattern < 256; ++pattern) {
    uint8_t indexes[8];
    for (unsigned k = 0; k < 8; ++k) indexes[k] = static_cast<uint8_t>((pattern >> k) & 1u);
    uint8_t* to = octets.bytes[gatherEight(indexes)];
    for (unsigned k = 0; k < 8; ++k) std::memcpy(to + 3 * k, &colors[indexes[k]], 3);
  }
}

size_t lookUpTwoColourBand(const cImgStore& store, const uint32_t* colors, const OctetColors& octets, int32_t first,
                           int32_t last, uint8_t* to) {
  uint8_t* const start = to;
  const size_t width = static_cast<size_t>(store.width);
  for (int32_t r = first; r < last; ++r) {
    const uint8_t* row = store.getRow(r);
    size_t x = 0;
    for (; x + 8 <= width; x += 8, to += 24) std::memcpy(to, octets.bytes[gatherEight(row + x)], 24);
    for (; x < width; ++x, to += 3) std::memcpy(to, &colors[row[x] & 1u], 4);
  }
  return static_cast<size_t>(to - start);
}

// A band goes out fastest from the same place within a page as it takes in
// the file: the kernel's copy into the file's pages is up to half again
// slower for some other offsets (this machine's, 17 bytes of header after a
// buffer that starts 16 bytes into a page, was one of them). Band buffers
// are therefore page-aligned with a page to spare, and each band starts in
// them at its file offset's place in a page.
constexpr size_t kPageBytes = 4096;

struct Bands {
  const cImgStore* store;
  const uint32_t* colors;
  const OctetColors* octets;  // for two-colour pictures, else null
  int32_t rowsPerBand;
  int32_t count;
  uint64_t dataStart;  // file offset of the first row: the header's length
  int32_t first(int32_t band) const { return band * rowsPerBand; }
  int32_t last(int32_t band) const {
    return static_cast<int32_t>(std::min<int64_t>(store->rowCount, int64_t{band + 1} * rowsPerBand));
  }
  // Where band's bytes go in a page-aligned buffer.
  uint8_t* placeIn(int32_t band, uint8_t* buffer) const {
    const uint64_t offset = dataStart + static_cast<uint64_t>(first(band)) * static_cast<uint64_t>(store->width) * 3;
    return buffer + offset % kPageBytes;
  }
  size_t lookUp(int32_t band, uint8_t* to) const {
    return octets ? lookUpTwoColourBand(*store, colors, *octets, first(band), last(band), to)
                  : lookUpBand(*store, colors, first(band), last(band), to);
  }
};

// A band buffer: page-aligned, with a page to spare for placeIn.
struct BandBuffer {
  std::unique_ptr<uint8_t[]> block;
  uint8_t* start = nullptr;
  bool obtain(size_t bytes) {
    block.reset(new (std::nothrow) uint8_t[bytes + 2 * kPageBytes]);
    if (block)
      start = block.get() + (kPageBytes - reinterpret_cast<uintptr_t>(block.get()) % kPageBytes) % kPageBytes;
    return block != nullptr;
  }
};

// Band buffers that pass between the looking-up and the writing thread:
// enough for the writer to go on while the other thread stops for a moment
// (a fresh huge page of the store takes a while to be cleared). With two
// of 256 KiB the writer waited 1 to 2 ms a run for bands; four of 512 KiB
// were 1 to 2 ms quicker in interleaved runs, bands of 128 KiB slower.
constexpr int kBandBuffers = 4;

// What looking up a palette picture's rows takes: its colours (indexes
// without a palette entry are black), the two-colour table, the bands
// (about 512 KiB of output each, at least one row) and their buffers.
struct PaletteBands {
  uint32_t colors[256] = {};
  std::unique_ptr<OctetColors> octets;
  Bands bands;
  BandBuffer buffers[kBandBuffers];

  PaletteBands(const cBitmapFile& image, uint64_t dataStart) {
    const cImgStore& store = *image.pixels;
    if (image.palette) {
      for (int32_t i = 0; i < 256; ++i) {
        uint8_t rgb[3] = {0, 0, 0};
        image.palette->getEntry(i, rgb);
        std::memcpy(&colors[i], rgb, 3);
      }
    }
    // A picture of 1 bit a pixel holds only indexes 0 and 1.
    if (image.bitsPerPixel == 1) {
      octets.reset(new (std::nothrow) OctetColors);
      if (octets) makeOctetColors(colors, *octets);
    }
    const size_t rowBytes = static_cast<size_t>(store.width) * 3;
    const int32_t rowsPerBand = static_cast<int32_t>(
        rowBytes == 0 ? 1 : std::max<size_t>(1, std::min<size_t>(INT32_MAX / 2, (size_t{1} << 19) / rowBytes)));
    bands = Bands{&store,       colors,
                  octets.get(), rowsPerBand,
                  static_cast<int32_t>((int64_t{store.rowCount} + rowsPerBand - 1) / rowsPerBand), dataStart};
  }
  // The first `count` buffers; false without memory for them. Four bytes
  // of slack each: the last pixel of a band is written as four bytes.
  bool obtain(int count) {
    const size_t bytes = static_cast<size_t>(bands.rowsPerBand) * static_cast<size_t>(bands.store->width) * 3 + 4;
    for (int i = 0; i < count; ++i)
      if (!buffers[i].start && !buffers[i].obtain(bytes)) return false;
    return true;
  }
};

bool writeBandsInTurn(Output& out, const Bands& bands, uint8_t* buffer) {
  for (int32_t band = 0; band < bands.count; ++band) {
    uint8_t* const at = bands.placeIn(band, buffer);
    if (!writeAll(out, at, bands.lookUp(band, at))) return false;
  }
  return true;
}

#ifndef _WIN32
// The bands of a palette picture looked up on the calling thread, band
// after band, and written on a thread of its own; the buffers pass between
// the two in turn. `filled[i]` is the byte count waiting in buffer i from
// `data[i]` on, or `kFree`.
class BandWriter {
 public:
  BandWriter(Output& output, const Bands& layout, const BandBuffer* ring)
      : out(output), bands(layout), buffers(ring) {
    std::fill(std::begin(filled), std::end(filled), kFree);
  }
  ~BandWriter() { finish(); }
  BandWriter(const BandWriter&) = delete;
  BandWriter& operator=(const BandWriter&) = delete;

  // False when no thread can be had.
  bool start() {
    try {
      writer = std::thread([this] { writeBands(); });
    } catch (const std::system_error&) {
      return false;
    }
    return true;
  }
  // Looks up the next band and hands it to the writer; false when the
  // writer has stopped on a failure.
  bool putNext() {
    const int which = next % kBandBuffers;
    {
      std::unique_lock<std::mutex> hold(lock);
      changed.wait(hold, [&] { return filled[which] == kFree || failed; });
      if (failed) return false;
    }
    uint8_t* const at = bands.placeIn(next, buffers[which].start);
    const size_t bytes = bands.lookUp(next, at);
    ++next;
    std::lock_guard<std::mutex> hold(lock);
    data[which] = at;
    filled[which] = bytes;
    changed.notify_all();
    return true;
  }
  int32_t bandsPut() const { return next; }
  // Lets the writer finish the bands it has; true when every band went out.
  bool finish() {
    if (writer.joinable()) {
      {
        std::lock_guard<std::mutex> hold(lock);
        finished = true;
        changed.notify_all();
      }
      writer.join();
    }
    return next == bands.count && !failed;
  }

 private:
  static constexpr size_t kFree = SIZE_MAX;

  void writeBands() {
    for (int which = 0;; which = (which + 1) % kBandBuffers) {
      const uint8_t* start = nullptr;
      size_t bytes = 0;
      {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [&] { return filled[which] != kFree || finished; });
        if (filled[which] == kFree) return;
        start = data[which];
        bytes = filled[which];
      }
      const bool ok = writeAll(out, start, bytes);
      std::lock_guard<std::mutex> hold(lock);
      filled[which] = kFree;
      if (!ok) failed = true;
      changed.notify_all();
      if (!ok) return;
    }
  }

  Output& out;
  const Bands& bands;
  const BandBuffer* const buffers;
  int32_t next = 0;  // the band putNext looks up
  std::thread writer;
  std::mutex lock;
  std::condition_variable changed;
  size_t filled[kBandBuffers];
  const uint8_t* data[kBandBuffers] = {};
  bool finished = false;
  bool failed = false;
};
#endif

bool writePaletteRows(Output& out, const cBitmapFile& image, uint64_t dataStart) {
  PaletteBands palette(image, dataStart);
  if (!palette.obtain(1)) return false;
#ifndef _WIN32
  if (palette.bands.count > 1 && palette.obtain(kBandBuffers)) {
    BandWriter writer(out, palette.bands, palette.buffers);
    if (writer.start()) {
      while (writer.bandsPut() < palette.bands.count && writer.putNext()) {
      }
      return writer.finish();
    }
    // No thread to be had: the bands go out in turn.
  }
#endif
  return writeBandsInTurn(out, palette.bands, palette.buffers[0].start);
}

// The PPM header of `store`'s picture; its length.
size_t ppmHeader(const cImgStore& store, char (&header)[48]) {
  return static_cast<size_t>(std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", store.width, store.rowCount));
}

bool writePicture(Output& out, const cBitmapFile& image) {
  const cImgStore& store = *image.pixels;
  char header[48];
  const size_t length = ppmHeader(store, header);
  if (!writeAll(out, reinterpret_cast<const uint8_t*>(header), length)) return false;
  const bool ok = store.bitsPerPixel == 24 ? writeTrueColorRows(out, store) : writePaletteRows(out, image, length);
  if (!ok && out.error == 0) out.error = ERROR_NOT_ENOUGH_MEMORY;  // no band buffer
  return ok;
}

}  // namespace

uint32_t writePpm(const std::string& path, const cBitmapFile& image) {
  if (path == "-") {
    Output out{GetStdHandle(STD_OUTPUT_HANDLE)};
    writePicture(out, image);
    return out.error;
  }
  cSaveTarget target;
  const wideString name = toWide(path);
  if (!target.open(name.c_str())) return target.error();
  Output out{target.handle()};
  if (!writePicture(out, image)) return out.error;  // the target abandons the file
  return target.commit() ? 0 : target.error();
}

#ifndef _WIN32
struct livePpmWriter::State {
  std::string path;
  cSaveTarget target;
  Output out{nullptr};
  std::unique_ptr<PaletteBands> palette;
  std::unique_ptr<BandWriter> writer;
  bool asked = false;  // the reader has called
  bool took = false;   // and the picture is being written here
  bool failed = false;  // a write or the target failed: nothing more goes out
};

livePpmWriter::livePpmWriter(const std::string& path) : state(new State) { state->path = path; }

livePpmWriter::~livePpmWriter() = default;

// Only the first call decides: a palette picture whose palette is known
// before its rows. The target is opened here, on the reading thread, as it
// would be after the read; the header goes out at once.
void livePpmWriter::rowsFinal(const cBitmapFile& image, int32_t count) {
  State& s = *state;
  if (!s.asked) {
    s.asked = true;
    const cImgStore* store = image.pixels;
    if (image.colorCount > 16 || !image.palette || !store || store->failed || store->bitsPerPixel != 8) return;
    const wideString name = toWide(s.path);
    if (!s.target.open(name.c_str())) {
      s.out.error = s.target.error();
      s.took = s.failed = true;
      return;
    }
    s.out.handle = s.target.handle();
    char header[48];
    const size_t length = ppmHeader(*store, header);
    s.palette.reset(new (std::nothrow) PaletteBands(image, length));
    if (s.palette && s.palette->obtain(kBandBuffers))
      s.writer.reset(new (std::nothrow) BandWriter(s.out, s.palette->bands, s.palette->buffers));
    if (!s.writer || !s.writer->start()) {
      // No memory or no thread: the picture is written once it is read.
      s.writer.reset();
      s.palette.reset();
      s.target.abandon();
      return;
    }
    s.took = true;
    if (!writeAll(s.out, reinterpret_cast<const uint8_t*>(header), length)) s.failed = true;
  }
  if (!s.took || s.failed) return;
  const Bands& bands = s.palette->bands;
  while (s.writer->bandsPut() < bands.count && bands.last(s.writer->bandsPut()) <= count) {
    if (!s.writer->putNext()) {
      s.failed = true;
      return;
    }
  }
}

bool livePpmWriter::took() const { return state->took; }

uint32_t livePpmWriter::finish(bool keep) {
  State& s = *state;
  if (!s.took) return 0;
  const bool whole = s.writer ? s.writer->finish() && !s.failed : false;
  if (!keep) {
    s.target.abandon();
    return 0;
  }
  if (!whole) {
    s.target.abandon();
    return s.out.error != 0 ? s.out.error : ERROR_NOT_ENOUGH_MEMORY;
  }
  return s.target.commit() ? 0 : s.target.error();
}
#else
struct livePpmWriter::State {};
livePpmWriter::livePpmWriter(const std::string&) : state(new State) {}
livePpmWriter::~livePpmWriter() = default;
void livePpmWriter::rowsFinal(const cBitmapFile&, int32_t) {}
bool livePpmWriter::took() const { return false; }
uint32_t livePpmWriter::finish(bool) { return 0; }
#endif
