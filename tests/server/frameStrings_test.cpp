// The frame's bounded string routines and the conversion of what they raise
// into HRESULTs before it can reach an entry point.
#include "server/registrar/frameStrings.h"

#include <gtest/gtest.h>

#include <string>

#include "server/registrar/regKeyHandle.h"

TEST(FrameCopyText, CopiesCutsOrRefuses) {
  char buffer[8];
  EXPECT_EQ(FrameCopyText(buffer, sizeof buffer, "seven!!", false), 0);
  EXPECT_STREQ(buffer, "seven!!");
  EXPECT_EQ(FrameCopyText(buffer, sizeof buffer, "eight!!!", false), kFrameOutOfRange);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(FrameCopyText(buffer, sizeof buffer, "eight!!!", true), kFrameTruncated);
  EXPECT_STREQ(buffer, "eight!!");
  EXPECT_EQ(FrameCopyText(buffer, 0, "x", true), kFrameInvalidArgument);
  EXPECT_EQ(FrameAppendText(buffer, sizeof buffer, "x"), kFrameOutOfRange);
  FrameCopyText(buffer, sizeof buffer, "ab", false);
  EXPECT_EQ(FrameAppendText(buffer, sizeof buffer, "cd"), 0);
  EXPECT_STREQ(buffer, "abcd");
}

TEST(FrameCheckCopy, RaisesTheHResultOfEachErrorNumber) {
  auto raised = [](int error) {
    return FrameGuard([&]() -> HRESULT {
      FrameCheckCopy(error);
      return S_OK;
    });
  };
  EXPECT_EQ(raised(0), S_OK);
  EXPECT_EQ(raised(kFrameTruncated), S_OK);
  EXPECT_EQ(raised(kFrameNoMemory), E_OUTOFMEMORY);
  EXPECT_EQ(raised(kFrameInvalidArgument), E_INVALIDARG);
  EXPECT_EQ(raised(kFrameOutOfRange), E_INVALIDARG);
  EXPECT_EQ(raised(5), E_FAIL);
}

TEST(FrameGuard, TurnsEveryExceptionIntoAnHResult) {
  EXPECT_EQ(FrameGuard([]() -> HRESULT { return FrameAdd(static_cast<size_t>(-1), 1) ? S_OK : S_FALSE; }),
            E_INVALIDARG);
  EXPECT_EQ(FrameGuard([]() -> HRESULT { return FrameMultiply(static_cast<size_t>(-1) / 2, 3) ? S_OK : S_FALSE; }),
            E_INVALIDARG);
  EXPECT_EQ(FrameGuard([]() -> HRESULT { throw std::bad_alloc(); }), E_OUTOFMEMORY);
  EXPECT_EQ(FrameGuard([]() -> HRESULT { throw 42; }), E_FAIL);
  // Writing a string value with no text at all is a fault of the caller.
  EXPECT_EQ(FrameGuard([]() -> HRESULT {
              CRegKeyHandle key;
              return HResultFromRegistry(key.WriteString(nullptr, nullptr, 1));
            }),
            E_FAIL);
  EXPECT_EQ(FrameGuard([]() -> HRESULT {
              CRegKeyHandle key;
              return HResultFromRegistry(key.WriteMultiString(nullptr, nullptr));
            }),
            E_FAIL);
}

TEST(CFrameTempBuffer, UsesTheHeapOnlyBeyondItsInlineStore) {
  CFrameTempBuffer<char, 16> buffer;
  char* inlineBlock = buffer.Allocate(16);
  char* heapBlock = buffer.Allocate(17);
  EXPECT_NE(inlineBlock, heapBlock);
  EXPECT_EQ(buffer.Allocate(3), inlineBlock);
  EXPECT_EQ(FrameGuard([&]() -> HRESULT {
              buffer.Allocate(static_cast<size_t>(-1) / 2);
              return S_OK;
            }),
            E_OUTOFMEMORY);
}

TEST(HResultFromRegistry, MapsCodesIntoTheWin32Facility) {
  EXPECT_EQ(HResultFromRegistry(0), S_OK);
  EXPECT_EQ(HResultFromRegistry(2), static_cast<HRESULT>(0x80070002));
  EXPECT_EQ(HResultFromRegistry(0x12345), static_cast<HRESULT>(0x80072345));
}
