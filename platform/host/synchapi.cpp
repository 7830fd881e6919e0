// Critical sections on Linux: a recursive POSIX mutex each, so the holder may
// enter again, as the platform allows. The spin count is a tuning hint of the
// platform's and has no meaning here.
#include "platform/host/synchapi.h"

extern "C" {

BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION lpCriticalSection, DWORD) {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(&lpCriticalSection->mutex, &attributes);
  pthread_mutexattr_destroy(&attributes);
  return TRUE;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  pthread_mutex_lock(&lpCriticalSection->mutex);
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  pthread_mutex_unlock(&lpCriticalSection->mutex);
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  pthread_mutex_destroy(&lpCriticalSection->mutex);
}

}  // extern "C"
