// The PPM writer of `zolmcom topnm`. No second copy of the whole picture is
// made: 24-bit rows go out straight from the store, as few and as large
// writes as the rows' addresses allow; palette rows are looked up a band at
// a time into two reused buffers. On Linux a second thread writes each band
// while the next one is looked up, so that the lookup costs no time beside
// the write on a machine with two cores; and a PCX picture whose palette
// the header gives can be written while it is read, each band as soon as
// its rows are decoded, so that decoding costs no time beside the write
// either. The Windows toolchain's C++ library has no threads, and there the
// bands go out one after the other once the picture is read.
#include "tools/ppmWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

#ifndef _WIN32
// The rows a band may take while the picture is still read: those the
// reader has finished.
class RowGate {
 public:
  void open(int32_t count) {
    std::lock_guard<std::mutex> hold(lock);
    final = std::max(final, count);
    if (final >= wanted) changed.notify_all();
  }
  // No more rows come.
  void close() {
    std::lock_guard<std::mutex> hold(lock);
    closed = true;
    changed.notify_all();
  }
  // False when the rows will not come.
  bool waitFor(int32_t count) {
    std::unique_lock<std::mutex> hold(lock);
    wanted = count;
    changed.wait(hold, [&] { return final >= count || closed; });
    wanted = INT32_MAX;
    return final >= count;
  }

 private:
  std::mutex lock;
  std::condition_variable changed;
  int32_t final = 0;
  int32_t wanted = INT32_MAX;  // only a row count a band waits for wakes it
  bool closed = false;
};
#else
class RowGate;
#endif

// A band goes out fastest from the same place within a page as it takes in
// the file: the kernel's copy into the file's pages is up to half again
// slower for some other offsets (this machine's, 17 bytes of header after a
// buffer that starts 16 bytes into a page, was one of them). Band buffers
// are therefore page-aligned with a page to spare, and each band starts in
// them at its file offset's place in a page.
constexpr size_t kPageBytes = 4096;

struct Bands {
  const cImgStore& store;
  const uint32_t* colors;
  const OctetColors* octets;  // for two-colour pictures, else null
  int32_t rowsPerBand;
  int32_t count;
  RowGate* gate;       // while the picture is read, else null
  uint64_t dataStart;  // file offset of the first row: the header's length
  int32_t first(int32_t band) const { return band * rowsPerBand; }
  int32_t last(int32_t band) const { return static_cast<int32_t>(std::min<int64_t>(store.rowCount, int64_t{band + 1} * rowsPerBand)); }
  // False when the band's rows will not come.
  bool ready(int32_t band) const {
#ifndef _WIN32
    if (gate) return gate->waitFor(last(band));
#else
    (void)band;
#endif
    return true;
  }
  // Where band's bytes go in a page-aligned buffer.
  uint8_t* placeIn(int32_t band, uint8_t* buffer) const {
    const uint64_t offset = dataStart + static_cast<uint64_t>(first(band)) * static_cast<uint64_t>(store.width) * 3;
    return buffer + offset % kPageBytes;
  }
  size_t lookUp(int32_t band, uint8_t* to) const {
    return octets ? lookUpTwoColourBand(store, colors, *octets, first(band), last(band), to)
                 : lookUpBand(store, colors, first(band), last(band), to);
  }
};

bool writeBandsInTurn(Output& out, const Bands& bands, uint8_t* buffer) {
  for (int32_t band = 0; band < bands.count; ++band) {
    uint8_t* const at = bands.placeIn(band, buffer);
    if (!bands.ready(band) || !writeAll(out, at, bands.lookUp(band, at))) return false;
  }
  return true;
}

#ifndef _WIN32
// Two buffers pass between the looking-up thread and the writing thread;
// `filled[i]` is the byte count waiting in buffer i from `data[i]` on, or
// `kFree`.
class BandPipe {
 public:
  static constexpr size_t kFree = SIZE_MAX;

  void put(int which, const uint8_t* start, size_t bytes) {
    std::lock_guard<std::mutex> hold(lock);
    data[which] = start;
    filled[which] = bytes;
    changed.notify_all();
  }
  // False when the writer has stopped on a failure.
  bool waitFree(int which) {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [&] { return filled[which] == kFree || failed; });
    return !failed;
  }
  // The bytes of buffer `which` and where they start, or kFree when no
  // more bands come.
  size_t waitFilled(int which, const uint8_t*& start) {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [&] { return filled[which] != kFree || finished; });
    start = data[which];
    return filled[which];
  }
  void release(int which, bool ok) {
    std::lock_guard<std::mutex> hold(lock);
    filled[which] = kFree;
    if (!ok) failed = true;
    changed.notify_all();
  }
  void finish() {
    std::lock_guard<std::mutex> hold(lock);
    finished = true;
    changed.notify_all();
  }
  bool succeeded() {
    std::lock_guard<std::mutex> hold(lock);
    return !failed;
  }

 private:
  std::mutex lock;
  std::condition_variable changed;
  size_t filled[2] = {kFree, kFree};
  const uint8_t* data[2] = {nullptr, nullptr};
  bool finished = false;
  bool failed = false;
};

bool writeBandsAlongside(Output& out, const Bands& bands, uint8_t* buffers[2]) {
  BandPipe pipe;
  std::thread writer;
  try {
    writer = std::thread([&] {
      for (int which = 0;; which ^= 1) {
        const uint8_t* start = nullptr;
        const size_t bytes = pipe.waitFilled(which, start);
        if (bytes == BandPipe::kFree) return;
        const bool ok = writeAll(out, start, bytes);
        pipe.release(which, ok);
        if (!ok) return;
      }
    });
  } catch (const std::system_error&) {
    // No thread to be had: the bands go out in turn.
    return writeBandsInTurn(out, bands, buffers[0]);
  }
  bool whole = true;
  for (int32_t band = 0; band < bands.count; ++band) {
    const int which = band & 1;
    if (!pipe.waitFree(which)) break;
    if (!bands.ready(band)) {
      whole = false;
      break;
    }
    uint8_t* const at = bands.placeIn(band, buffers[which]);
    pipe.put(which, at, bands.lookUp(band, at));
  }
  pipe.finish();
  writer.join();
  return whole && pipe.succeeded();
}
#endif

// A band buffer: page-aligned, with a page to spare for placeIn.
struct BandBuffer {
  std::unique_ptr<uint8_t[]> block;
  uint8_t* start = nullptr;
  explicit BandBuffer(size_t bytes) : block(new (std::nothrow) uint8_t[bytes + 2 * kPageBytes]) {
    if (block)
      start = block.get() + (kPageBytes - reinterpret_cast<uintptr_t>(block.get()) % kPageBytes) % kPageBytes;
  }
};

bool writePaletteRows(Output& out, const cBitmapFile& image, RowGate* gate, uint64_t dataStart) {
  const cImgStore& store = *image.pixels;
  uint32_t colors[256] = {};
  if (image.palette) {
    for (int32_t i = 0; i < 256; ++i) {
      uint8_t rgb[3] = {0, 0, 0};
      image.palette->getEntry(i, rgb);  // indexes without an entry stay black
      std::memcpy(&colors[i], rgb, 3);
    }
  }
  // A picture of 1 bit a pixel holds only indexes 0 and 1.
  std::unique_ptr<OctetColors> octets;
  if (image.bitsPerPixel == 1) {
    octets.reset(new (std::nothrow) OctetColors);
    if (octets) makeOctetColors(colors, *octets);
  }
  // About 256 KiB of output a band, at least one row: small enough for the
  // kernel to copy it from the cache, and the first band is ready early.
  const size_t rowBytes = static_cast<size_t>(store.width) * 3;
  const int32_t rowsPerBand = static_cast<int32_t>(
      rowBytes == 0 ? 1 : std::max<size_t>(1, std::min<size_t>(INT32_MAX / 2, (size_t{1} << 18) / rowBytes)));
  const Bands bands{store,
                    colors,
                    octets.get(),
                    rowsPerBand,
                    static_cast<int32_t>((int64_t{store.rowCount} + rowsPerBand - 1) / rowsPerBand),
                    gate,
                    dataStart};
  // Four bytes of slack: the last pixel of a band is written as four bytes.
  const size_t bandBytes = static_cast<size_t>(rowsPerBand) * rowBytes + 4;
  BandBuffer first(bandBytes);
  if (!first.start) return false;
#ifndef _WIN32
  if (bands.count > 1) {
    BandBuffer second(bandBytes);
    if (second.start) {
      uint8_t* buffers[2] = {first.start, second.start};
      return writeBandsAlongside(out, bands, buffers);
    }
  }
#endif
  return writeBandsInTurn(out, bands, first.start);
}

}  // namespace

namespace {

// `gate`: the rows that may be used while the picture is read (palette
// pictures only), or null once it is read.
bool writePicture(Output& out, const cBitmapFile& image, RowGate* gate) {
  const cImgStore& store = *image.pixels;
  char header[48];
  const int length = std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", store.width, store.rowCount);
  if (!writeAll(out, reinterpret_cast<const uint8_t*>(header), static_cast<size_t>(length))) return false;
  const bool ok = store.bitsPerPixel == 24 ? writeTrueColorRows(out, store)
                                           : writePaletteRows(out, image, gate, static_cast<uint64_t>(length));
  if (!ok && out.error == 0) out.error = ERROR_NOT_ENOUGH_MEMORY;  // no band buffer
  return ok;
}

}  // namespace

uint32_t writePpm(const std::string& path, const cBitmapFile& image) {
  if (path == "-") {
    Output out{GetStdHandle(STD_OUTPUT_HANDLE)};
    writePicture(out, image, nullptr);
    return out.error;
  }
  cSaveTarget target;
  const wideString name = toWide(path);
  if (!target.open(name.c_str())) return target.error();
  Output out{target.handle()};
  if (!writePicture(out, image, nullptr)) return out.error;  // the target abandons the file
  return target.commit() ? 0 : target.error();
}

#ifndef _WIN32
struct livePpmWriter::State {
  std::string path;
  RowGate gate;
  cSaveTarget target;
  Output out{nullptr};
  std::thread worker;
  bool asked = false;     // the reader has called
  bool took = false;      // and the picture is being written here
  bool written = false;   // every byte went out (the worker's result)
  uint32_t openError = 0;
};

livePpmWriter::livePpmWriter(const std::string& path) : state(new State) { state->path = path; }

livePpmWriter::~livePpmWriter() {
  if (state->worker.joinable()) {
    state->gate.close();
    state->worker.join();
  }
}

// Only the first call decides: a palette picture whose palette is known
// before its rows. The target is opened here, on the reading thread, as it
// would be after the read.
void livePpmWriter::rowsFinal(const cBitmapFile& image, int32_t count) {
  State& s = *state;
  if (!s.asked) {
    s.asked = true;
    const cImgStore* store = image.pixels;
    if (image.colorCount > 16 || !image.palette || !store || store->failed || store->bitsPerPixel != 8) return;
    const wideString name = toWide(s.path);
    if (!s.target.open(name.c_str())) {
      s.openError = s.target.error();
      s.took = true;
      return;
    }
    s.out.handle = s.target.handle();
    try {
      s.worker = std::thread([&s, &image] { s.written = writePicture(s.out, image, &s.gate); });
    } catch (const std::system_error&) {
      // No thread to be had: the picture is written once it is read.
      s.target.abandon();
      return;
    }
    s.took = true;
  }
  if (s.took) s.gate.open(count);
}

bool livePpmWriter::took() const { return state->took; }

uint32_t livePpmWriter::finish(bool keep) {
  State& s = *state;
  if (!s.took) return 0;
  // Rows not final by now will not come.
  s.gate.close();
  if (s.worker.joinable()) s.worker.join();
  if (s.openError != 0) return keep ? s.openError : 0;
  if (!keep) {
    s.target.abandon();
    return 0;
  }
  if (!s.written) {
    s.target.abandon();
    return s.out.error;
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
