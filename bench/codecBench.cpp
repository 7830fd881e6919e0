// Decode and write throughput of the image library on generated pictures of
// about 16 megapixels (4096 x 4096), each against memcpy of the decoded size
// as the floor. The files sit in a memory-backed directory, so the figures
// measure the library, not the disk. Throughput is counted in bytes of the
// decoded picture (one byte per pixel, three for 24 bits) per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/pictureMaker.h"
#include "image/bmp/bmpImg.h"
#include "image/imgStore.h"
#include "image/pcx/pcxImg.h"
#include "platform/fileapi.h"
#include "tests/scratchDirectory.h"

using namespace benchpictures;

namespace {

constexpr int32_t kWidth = 4096;
constexpr int32_t kHeight = 4096;

std::string scratchDir() {
  static const std::string dir = testscratch::makeDirectory(
      access("/dev/shm", W_OK) == 0 ? "/dev/shm/zolm-bench-XXXXXX" : "/tmp/zolm-bench-XXXXXX");
  return dir;
}

std::u16string wide(const std::string& path) { return std::u16string(path.begin(), path.end()); }

// The file of each form, written once per process.
const std::u16string& pictureFile(const FormInfo& info) {
  static std::map<std::string, std::u16string> made;
  auto found = made.find(info.name);
  if (found != made.end()) return found->second;
  const std::string path = scratchDir() + "/" + info.name + "." + info.extension;
  const std::vector<uint8_t> bytes = makeFile(info.form, kWidth, kHeight);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  return made[info.name] = wide(path);
}

std::unique_ptr<cBitmapFile> imageFor(const FormInfo& info) {
  if (std::strcmp(info.extension, "bmp") == 0) return std::make_unique<cBmpImg>();
  return std::make_unique<cPcxImg>();
}

int64_t decodedBytes(const FormInfo& info) { return int64_t{kWidth} * kHeight * info.bytesPerPixel; }

// Bytes of the picture scaled by `factor` (the sizes are whole here).
size_t scaledBytes(const FormInfo& info, float factor) {
  const size_t width = static_cast<size_t>(kWidth * factor), height = static_cast<size_t>(kHeight * factor);
  return width * height * static_cast<size_t>(info.bytesPerPixel);
}

void decode(benchmark::State& state, const char* form) {
  const FormInfo& info = *findForm(form);
  const std::u16string& file = pictureFile(info);
  for (auto _ : state) {
    std::unique_ptr<cBitmapFile> image = imageFor(info);
    const int32_t result = image->loadFile(file.c_str());
    // 24-bit PCX files have no palette, which the reader reports after
    // decoding every row.
    if (!image->pixels || (result != errNone && result != errPalette)) {
      state.SkipWithError("the picture did not load");
      break;
    }
    benchmark::DoNotOptimize(image->pixels->getRow(0));
  }
  state.SetBytesProcessed(state.iterations() * decodedBytes(info));
}

void write(benchmark::State& state, const char* form) {
  const FormInfo& info = *findForm(form);
  std::unique_ptr<cBitmapFile> image = imageFor(info);
  image->loadFile(pictureFile(info).c_str());
  const std::u16string out = wide(scratchDir() + "/written." + info.extension);
  for (auto _ : state) {
    if (image->saveFile(out.c_str()) != errNone) {
      state.SkipWithError("the picture was not written");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * decodedBytes(info));
}

void memcpyFloor(benchmark::State& state, int bytesPerPixel) {
  const size_t bytes = static_cast<size_t>(kWidth) * kHeight * bytesPerPixel;
  std::vector<uint8_t> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

// What any decode from a file pays before decoding anything: the platform's
// read of the whole file into memory that is already mapped (the kernel's
// copy out of the page cache)...
void readFloor(benchmark::State& state, const char* form) {
  const FormInfo& info = *findForm(form);
  const std::u16string& file = pictureFile(info);
  std::vector<uint8_t> into(static_cast<size_t>(decodedBytes(info)) + (1 << 20), 1);
  for (auto _ : state) {
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD got = 0;
    const bool ok = handle != INVALID_HANDLE_VALUE &&
                    ReadFile(handle, into.data(), static_cast<DWORD>(into.size()), &got, nullptr);
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    if (!ok) {
      state.SkipWithError("the file could not be read");
      break;
    }
    benchmark::DoNotOptimize(into.data());
  }
  state.SetBytesProcessed(state.iterations() * decodedBytes(info));
}

// ...and a new pixel store of the picture's size, every byte written once
// (fresh memory: zeroed by the system page by page as it is first touched).
void freshStoreFloor(benchmark::State& state, int bytesPerPixel) {
  for (auto _ : state) {
    cImgStore store(kHeight, kWidth, 8 * bytesPerPixel);
    for (int32_t r = 0; r < store.rowCount; ++r) std::memset(store.getRow(r), 1, static_cast<size_t>(store.rowBytes));
    benchmark::DoNotOptimize(store.getRow(0));
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth} * kHeight * bytesPerPixel);
}

// Scaling a loaded picture by `factor` (the selecting stretch and the new
// store), against a copy of the scaled picture's bytes into memory already
// mapped: the picture is loaded again, outside the clock, before every run.
void scale(benchmark::State& state, const char* form, float factor) {
  const FormInfo& info = *findForm(form);
  const std::u16string& file = pictureFile(info);
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<cBitmapFile> image = imageFor(info);
    image->loadFile(file.c_str());
    state.ResumeTiming();
    if (!image->pixels || !image->scale(factor)) {
      state.SkipWithError("the picture was not scaled");
      break;
    }
    benchmark::DoNotOptimize(image->pixels->getRow(0));
    state.PauseTiming();
    image.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(scaledBytes(info, factor)));
}

void memcpyScaledFloor(benchmark::State& state, const char* form, float factor) {
  const size_t bytes = scaledBytes(*findForm(form), factor);
  std::vector<uint8_t> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

// The write bench of a 24-bit PCX picture resets the error code the reader
// left (no palette), which the writer would otherwise keep.
void writeTrueColourPcx(benchmark::State& state) {
  const FormInfo& info = *findForm("pcx-8x3");
  cPcxImg image;
  image.loadFile(pictureFile(info).c_str());
  image.errorCode = errNone;
  const std::u16string out = wide(scratchDir() + "/written24.pcx");
  for (auto _ : state) {
    if (image.saveFile(out.c_str()) != errNone) {
      state.SkipWithError("the picture was not written");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * decodedBytes(info));
}

}  // namespace

BENCHMARK_CAPTURE(memcpyFloor, 1_byte_per_pixel, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(memcpyFloor, 3_bytes_per_pixel, 3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readFloor, bmp_8bit, "bmp-8bit")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(freshStoreFloor, 1_byte_per_pixel, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(freshStoreFloor, 3_bytes_per_pixel, 3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, bmp_8bit, "bmp-8bit")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, bmp_24bit, "bmp-24bit")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, bmp_rle8, "bmp-rle8")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, bmp_rle4, "bmp-rle4")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, pcx_1x1, "pcx-1x1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, pcx_1x4, "pcx-1x4")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, pcx_8x1, "pcx-8x1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, pcx_8x3, "pcx-8x3")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(write, bmp_8bit, "bmp-8bit")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(write, bmp_24bit, "bmp-24bit")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(write, pcx_1x1, "pcx-1x1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(write, pcx_1x4, "pcx-1x4")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(write, pcx_8x1, "pcx-8x1")->Unit(benchmark::kMillisecond);
BENCHMARK(writeTrueColourPcx)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(memcpyScaledFloor, bmp_8bit_half, "bmp-8bit", 0.5f)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scale, bmp_8bit_half, "bmp-8bit", 0.5f)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(memcpyScaledFloor, bmp_8bit_double, "bmp-8bit", 2.0f)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scale, bmp_8bit_double, "bmp-8bit", 2.0f)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(memcpyScaledFloor, bmp_24bit_half, "bmp-24bit", 0.5f)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scale, bmp_24bit_half, "bmp-24bit", 0.5f)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(memcpyScaledFloor, bmp_24bit_double, "bmp-24bit", 2.0f)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scale, bmp_24bit_double, "bmp-24bit", 2.0f)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
