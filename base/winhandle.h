#pragma once
// Move-only owners of Windows handles, so that every path releases what it opened.
// Windows only.
#include <windows.h>
#include <winspool.h>

#include <cstddef>
#include <memory>
#include <utility>

template <typename T, typename Traits>
class UniqueAny {
 public:
  UniqueAny() = default;
  explicit UniqueAny(T value) : m_value(value) {}
  ~UniqueAny() { Reset(); }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : m_value(other.Release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  T Get() const { return m_value; }
  bool IsValid() const { return Traits::IsValid(m_value); }
  explicit operator bool() const { return IsValid(); }

  // Closes the held handle (if any) and takes value.
  void Reset(T value = Traits::Invalid()) {
    if (Traits::IsValid(m_value)) Traits::Close(m_value);
    m_value = value;
  }
  // Gives up ownership without closing.
  T Release() { return std::exchange(m_value, Traits::Invalid()); }
  // For out-parameters of API calls; the object must not hold a handle.
  T* Receive() {
    Reset();
    return &m_value;
  }

 private:
  T m_value = Traits::Invalid();
};

// Kernel handles where failure is INVALID_HANDLE_VALUE (CreateFile).
struct FileHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
using UniqueFile = UniqueAny<HANDLE, FileHandleTraits>;

// Kernel handles where failure is null (processes, threads, mappings, semaphores).
struct KernelHandleTraits {
  static HANDLE Invalid() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
using UniqueHandle = UniqueAny<HANDLE, KernelHandleTraits>;

struct HKeyTraits {
  static HKEY Invalid() { return nullptr; }
  static bool IsValid(HKEY h) { return h != nullptr; }
  static void Close(HKEY h) { ::RegCloseKey(h); }
};
using UniqueHKey = UniqueAny<HKEY, HKeyTraits>;

struct ModuleTraits {
  static HMODULE Invalid() { return nullptr; }
  static bool IsValid(HMODULE h) { return h != nullptr; }
  static void Close(HMODULE h) { ::FreeLibrary(h); }
};
using UniqueModule = UniqueAny<HMODULE, ModuleTraits>;

// Printer handles from OpenPrinter (null on failure).
struct PrinterTraits {
  static HANDLE Invalid() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr; }
  static void Close(HANDLE h) { ::ClosePrinter(h); }
};
using UniquePrinter = UniqueAny<HANDLE, PrinterTraits>;

// Blocks from the process heap, where the program's heap buffers come from.
struct ProcessHeapFree {
  void operator()(void* p) const {
    if (p != nullptr) ::HeapFree(::GetProcessHeap(), 0, p);
  }
};
template <typename T>
using UniqueHeapPtr = std::unique_ptr<T, ProcessHeapFree>;

// A zero-filled block of count elements of T, or null when the heap has no room.
template <typename T>
UniqueHeapPtr<T> HeapAllocZeroed(std::size_t count) {
  if (count == 0 || count > static_cast<std::size_t>(-1) / sizeof(T)) return UniqueHeapPtr<T>();
  return UniqueHeapPtr<T>(static_cast<T*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, count * sizeof(T))));
}
