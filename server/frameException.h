// CFrameException: the frame's one exception type. It carries an HRESULT and is
// raised only by the bounded string and buffer routines that the registry
// script interpreter uses; the entry points and interface methods catch it (and
// every other exception) so that nothing ever leaves the library as a C++
// exception.
#pragma once

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
