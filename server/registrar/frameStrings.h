// The frame's bounded string and buffer routines, and the frame's one
// exception type. The routines never write past the capacity they are given;
// where the result cannot be honoured they raise a CFrameException carrying
// the HRESULT of the fault, which the registrar's public operations and the
// registration entry points turn back into their result (FrameGuard), so that
// nothing ever leaves the library as a C++ exception. A copy that is asked to
// cut a text short reports that with kFrameTruncated and raises nothing.
#pragma once

#include <cstddef>
#include <new>

#include "platform/wintypes.h"

class CFrameException {
 public:
  explicit CFrameException(HRESULT code) : hr(code) {}
  HRESULT Error() const { return hr; }

 private:
  HRESULT hr;
};

// Raises a CFrameException carrying `code`.
[[noreturn]] inline void ThrowFrameException(HRESULT code) { throw CFrameException(code); }

// The error numbers of the bounded copies, as the C library numbers them.
constexpr int kFrameNoMemory = 12;       // ENOMEM
constexpr int kFrameInvalidArgument = 22; // EINVAL
constexpr int kFrameOutOfRange = 34;     // ERANGE
constexpr int kFrameTruncated = 80;      // STRUNCATE

// Raises the CFrameException that belongs to a copy's error number: 12 gives
// E_OUTOFMEMORY, 22 and 34 E_INVALIDARG, 80 (truncated) and 0 nothing, any
// other number E_FAIL.
void FrameCheckCopy(int error);

// Copies src into dest[capacity] with its terminator. Without truncate a
// text that does not fit empties dest and gives kFrameOutOfRange; with it
// the text is cut to capacity - 1 characters and kFrameTruncated returned.
// Null arguments or a capacity of 0 give kFrameInvalidArgument.
int FrameCopyText(char* dest, size_t capacity, const char* src, bool truncate);
int FrameCopyText(OLECHAR* dest, size_t capacity, const OLECHAR* src, bool truncate);
// Appends src to the text in dest[capacity]; the same rules.
int FrameAppendText(char* dest, size_t capacity, const char* src);

// The raising forms: a text that does not fit is a fault.
void FrameCopyTextOrThrow(char* dest, size_t capacity, const char* src);
void FrameCopyTextOrThrow(OLECHAR* dest, size_t capacity, const OLECHAR* src);
void FrameAppendTextOrThrow(char* dest, size_t capacity, const char* src);

// Size arithmetic that raises E_INVALIDARG instead of wrapping around.
size_t FrameAdd(size_t a, size_t b);
size_t FrameMultiply(size_t a, size_t b);

constexpr size_t kFrameLargestBuffer = 0x7FFFFFFF;

// A work buffer of T: InlineCount elements inside the object (on the stack
// when the object is), a heap block beyond that. Allocate raises
// E_OUTOFMEMORY when the block cannot be had (or would exceed 2 GB);
// TryAllocate gives null.
template <typename T, size_t InlineCount>
class CFrameTempBuffer {
 public:
  CFrameTempBuffer() = default;
  CFrameTempBuffer(const CFrameTempBuffer&) = delete;
  CFrameTempBuffer& operator=(const CFrameTempBuffer&) = delete;
  ~CFrameTempBuffer() { delete[] heap; }

  T* TryAllocate(size_t count) noexcept {
    delete[] heap;
    heap = nullptr;
    if (count <= InlineCount) return inlineStore;
    // No work buffer of the frame needs 2 GB; asking for more is a fault.
    if (count > kFrameLargestBuffer / sizeof(T)) return nullptr;
    heap = new (std::nothrow) T[count];
    return heap;
  }
  T* Allocate(size_t count) {
    T* p = TryAllocate(count);
    if (p == nullptr) ThrowFrameException(E_OUTOFMEMORY);
    return p;
  }

 private:
  T inlineStore[InlineCount];
  T* heap = nullptr;
};

// Runs f() and turns whatever it raises into an HRESULT: a CFrameException
// into its own code, a failed allocation into E_OUTOFMEMORY, anything else
// into E_FAIL. Used where a frame operation hands its result to a caller that
// must never see a C++ exception.
template <typename F>
HRESULT FrameGuard(F&& f) noexcept {
  try {
    return f();
  } catch (const CFrameException& e) {
    return e.Error();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}
