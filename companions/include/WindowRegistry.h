#pragma once

// The process-wide window registry: a window gives itself a 32-bit handle
// that fixed-layout blocks can carry, and anything in the process can send it
// a message through that handle without knowing the program's classes.

#include <cstdint>

#define QV_WINDOWS_EXPORT __attribute__((visibility("default")))
extern "C" {
// Called on the sender's thread; the window hands the message on to its own.
typedef int64_t (*QvWindowProc)(void* context, int32_t message, int64_t wParam, int64_t lParam);
QV_WINDOWS_EXPORT int32_t QvRegisterWindow(QvWindowProc proc, void* context);
QV_WINDOWS_EXPORT void QvUnregisterWindow(int32_t handle);
// The window's answer, or 0 when the handle names no window.
QV_WINDOWS_EXPORT int64_t QvSendWindowMessage(int32_t handle, int32_t message, int64_t wParam,
                                              int64_t lParam);
}
