// Pixel store and palette: row sizes, range checks, failed stores.
#include "image/imgStore.h"
#include "image/palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

TEST(ImgStore, RowBytesRoundUpToWholeBytes) {
  EXPECT_EQ(cImgStore(1, 10, 1).rowBytes, 2);
  EXPECT_EQ(cImgStore(1, 3, 24).rowBytes, 9);
  EXPECT_EQ(cImgStore(1, 0, 8).rowBytes, 0);
  EXPECT_EQ(cImgStore(1, 3, 4).rowBytes, 2);
}

TEST(ImgStore, NewRowsAreZeroAndRangeIsChecked) {
  cImgStore store(2, 4, 8);
  ASSERT_EQ(store.failed, 0);
  const uint8_t data[4] = {1, 2, 3, 4};
  store.setRow(data, 2);
  store.setRow(data, -1);
  for (int r = 0; r < 2; ++r)
    for (int i = 0; i < 4; ++i) EXPECT_EQ(store.getRow(r)[i], 0);
  store.setRow(data, 1);
  EXPECT_EQ(store.getRow(1)[3], 4);
  EXPECT_EQ(store.getRow(2), nullptr);
  EXPECT_EQ(store.getRow(-1), nullptr);
}

TEST(ImgStore, LargeStoreRowsAreZeroAndDoNotOverlap) {
  // 3 MiB of 24-bit rows: a store large enough to come from the system.
  const int32_t rows = 1024, width = 1024;
  cImgStore store(rows, width, 24);
  ASSERT_EQ(store.failed, 0);
  std::vector<uint8_t> pattern(static_cast<size_t>(store.rowBytes));
  for (int32_t r = 0; r < rows; ++r) {
    const uint8_t* row = store.getRow(r);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(std::count(row, row + store.rowBytes, 0), store.rowBytes) << "row " << r;
    std::fill(pattern.begin(), pattern.end(), static_cast<uint8_t>(r));
    store.setRow(pattern.data(), r);
  }
  for (int32_t r = 0; r < rows; ++r) {
    const uint8_t* row = store.getRow(r);
    EXPECT_EQ(std::count(row, row + store.rowBytes, static_cast<uint8_t>(r)), store.rowBytes) << "row " << r;
  }
}

TEST(ImgStore, RowsOfNoBytesStillHaveAnAddress) {
  cImgStore store(3, 0, 8);
  ASSERT_EQ(store.failed, 0);
  for (int32_t r = 0; r < 3; ++r) EXPECT_NE(store.getRow(r), nullptr);
}

TEST(ImgStore, EmptyAndNegativeCounts) {
  cImgStore empty(0, 5, 8);
  EXPECT_EQ(empty.failed, 0);
  EXPECT_EQ(empty.getRow(0), nullptr);
  cImgStore negative(-1, 5, 8);
  EXPECT_EQ(negative.failed, 1);
  const uint8_t data[5] = {};
  negative.setRow(data, 0);
  EXPECT_EQ(negative.getRow(0), nullptr);
}

TEST(ImgStore, RowSizeOverflowFailsInsteadOfWrapping) {
  cImgStore store(1, 0x7FFFFFFF, 24);
  EXPECT_EQ(store.failed, 1);
  EXPECT_EQ(store.getRow(0), nullptr);
}

TEST(Palette, EntriesStartBlackAndRangeIsChecked) {
  cPalette none(0);
  uint8_t rgb[3] = {9, 9, 9};
  EXPECT_FALSE(none.getEntry(0, rgb));
  cPalette two(2);
  EXPECT_TRUE(two.getEntry(1, rgb));
  EXPECT_EQ(rgb[0] + rgb[1] + rgb[2], 0);
  rgb[0] = 7;
  EXPECT_FALSE(two.getEntry(2, rgb));
  EXPECT_FALSE(two.getEntry(-1, rgb));
  EXPECT_EQ(rgb[0], 7);
}

TEST(Palette, CountTooLargeForMemoryAnswersNoEntry) {
  cPalette huge(0xFFFFFFFFu);
  uint8_t rgb[3];
  EXPECT_FALSE(huge.getEntry(0, rgb));
}
