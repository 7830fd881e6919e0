// VirtualAlloc and VirtualFree on Linux, for the forms the library uses:
// reserving and committing a block in one call (MEM_RESERVE | MEM_COMMIT,
// PAGE_READWRITE), and releasing the whole block (MEM_RELEASE, size 0).
//
// Blocks are private anonymous mappings, so they read as zeros until
// written, as the platform's committed pages do. Blocks of 2 MiB and more
// are placed on a 2 MiB boundary and asked for in large pages: one fault
// then maps 2 MiB instead of 4 KiB, and on a virtual machine, where a fault
// costs several microseconds, that is most of the cost of filling a large
// picture store.
#pragma once

#include "platform/host/wintypes.h"

#define MEM_COMMIT 0x00001000
#define MEM_RESERVE 0x00002000
#define MEM_RELEASE 0x00008000
#define PAGE_READWRITE 0x04

extern "C" {

// The block's address, or null with the last error set (8, not enough
// memory; 87, a form not supported).
ZOLMPLATFORM_API LPVOID WINAPI VirtualAlloc(LPVOID lpAddress, SIZE_T dwSize,
                                            DWORD flAllocationType, DWORD flProtect);
// TRUE when the block that VirtualAlloc returned at lpAddress was released.
ZOLMPLATFORM_API BOOL WINAPI VirtualFree(LPVOID lpAddress, SIZE_T dwSize, DWORD dwFreeType);

}  // extern "C"
