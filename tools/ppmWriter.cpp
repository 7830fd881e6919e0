// The PPM writer of `zolmcom topnm`. No second copy of the whole picture is
// made: 24-bit rows go out straight from the store, as few and as large
// writes as the rows' addresses allow; palette rows are looked up a band at
// a time into two reused buffers. On Linux a second thread writes each band
// while the next one is looked up, so that the lookup costs no time beside
// the write on a machine with two cores; the Windows toolchain's C++
// library has no threads, and there the bands go out one after the other.
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

// Two-colour pictures (1 bit a pixel, indexes 0 and 1) four pixels at a
// time: `quads` holds the 16 ways four such pixels look, 12 bytes each in
// 16 (the last four bytes are overwritten by the next four pixels).
struct QuadColors {
  uint8_t bytes[16][16];
};

size_t lookUpTwoColourBand(const cImgStore& store, const uint32_t* colors, const QuadColors& quads, int32_t first,
                           int32_t last, uint8_t* to) {
  uint8_t* const start = to;
  const size_t width = static_cast<size_t>(store.width);
  for (int32_t r = first; r < last; ++r) {
    const uint8_t* row = store.getRow(r);
    size_t x = 0;
    for (; x + 4 <= width; x += 4, to += 12) {
      const unsigned quad = (row[x] & 1u) | (row[x + 1] & 1u) << 1 | (row[x + 2] & 1u) << 2 | (row[x + 3] & 1u) << 3;
      std::memcpy(to, quads.bytes[quad], 16);
    }
    for (; x < width; ++x, to += 3) std::memcpy(to, &colors[row[x] & 1u], 4);
  }
  return static_cast<size_t>(to - start);
}

struct Bands {
  const cImgStore& store;
  const uint32_t* colors;
  const QuadColors* quads;  // for two-colour pictures, else null
  int32_t rowsPerBand;
  int32_t count;
  int32_t first(int32_t band) const { return band * rowsPerBand; }
  int32_t last(int32_t band) const { return static_cast<int32_t>(std::min<int64_t>(store.rowCount, int64_t{band + 1} * rowsPerBand)); }
  size_t lookUp(int32_t band, uint8_t* to) const {
    return quads ? lookUpTwoColourBand(store, colors, *quads, first(band), last(band), to)
                 : lookUpBand(store, colors, first(band), last(band), to);
  }
};

bool writeBandsInTurn(Output& out, const Bands& bands, uint8_t* buffer) {
  for (int32_t band = 0; band < bands.count; ++band)
    if (!writeAll(out, buffer, bands.lookUp(band, buffer))) return false;
  return true;
}

#ifndef _WIN32
// Two buffers pass between the looking-up thread and the writing thread;
// `filled[i]` is the byte count waiting in buffer i, or `kFree`.
class BandPipe {
 public:
  static constexpr size_t kFree = SIZE_MAX;

  void put(int which, size_t bytes) {
    std::lock_guard<std::mutex> hold(lock);
    filled[which] = bytes;
    changed.notify_all();
  }
  // False when the writer has stopped on a failure.
  bool waitFree(int which) {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [&] { return filled[which] == kFree || failed; });
    return !failed;
  }
  // The bytes of buffer `which`, or kFree when no more bands come.
  size_t waitFilled(int which) {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [&] { return filled[which] != kFree || finished; });
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
  bool finished = false;
  bool failed = false;
};

bool writeBandsAlongside(Output& out, const Bands& bands, uint8_t* buffers[2]) {
  BandPipe pipe;
  std::thread writer;
  try {
    writer = std::thread([&] {
      for (int which = 0;; which ^= 1) {
        const size_t bytes = pipe.waitFilled(which);
        if (bytes == BandPipe::kFree) return;
        const bool ok = writeAll(out, buffers[which], bytes);
        pipe.release(which, ok);
        if (!ok) return;
      }
    });
  } catch (const std::system_error&) {
    // No thread to be had: the bands go out in turn.
    return writeBandsInTurn(out, bands, buffers[0]);
  }
  for (int32_t band = 0; band < bands.count; ++band) {
    const int which = band & 1;
    if (!pipe.waitFree(which)) break;
    pipe.put(which, bands.lookUp(band, buffers[which]));
  }
  pipe.finish();
  writer.join();
  return pipe.succeeded();
}
#endif

bool writePaletteRows(Output& out, const cBitmapFile& image) {
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
  QuadColors quads;
  const bool twoColours = image.bitsPerPixel == 1;
  if (twoColours) {
    for (unsigned quad = 0; quad < 16; ++quad)
      for (unsigned k = 0; k < 4; ++k) std::memcpy(quads.bytes[quad] + 3 * k, &colors[(quad >> k) & 1u], 4);
  }
  // About 1 MiB of output a band, at least one row.
  const size_t rowBytes = static_cast<size_t>(store.width) * 3;
  const int32_t rowsPerBand = static_cast<int32_t>(
      rowBytes == 0 ? 1 : std::max<size_t>(1, std::min<size_t>(INT32_MAX / 2, (size_t{1} << 20) / rowBytes)));
  const Bands bands{store, colors, twoColours ? &quads : nullptr, rowsPerBand,
                    static_cast<int32_t>((int64_t{store.rowCount} + rowsPerBand - 1) / rowsPerBand)};
  // Four bytes of slack: the last four pixels of a band are written as 16 bytes.
  const size_t bandBytes = static_cast<size_t>(rowsPerBand) * rowBytes + 4;
  std::unique_ptr<uint8_t[]> first(new (std::nothrow) uint8_t[bandBytes]);
  if (!first) return false;
#ifndef _WIN32
  std::unique_ptr<uint8_t[]> second(bands.count > 1 ? new (std::nothrow) uint8_t[bandBytes] : nullptr);
  if (second) {
    uint8_t* buffers[2] = {first.get(), second.get()};
    return writeBandsAlongside(out, bands, buffers);
  }
#endif
  return writeBandsInTurn(out, bands, first.get());
}

}  // namespace

namespace {

bool writePicture(Output& out, const cBitmapFile& image) {
  const cImgStore& store = *image.pixels;
  char header[48];
  const int length = std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", store.width, store.rowCount);
  if (!writeAll(out, reinterpret_cast<const uint8_t*>(header), static_cast<size_t>(length))) return false;
  const bool ok = store.bitsPerPixel == 24 ? writeTrueColorRows(out, store) : writePaletteRows(out, image);
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
