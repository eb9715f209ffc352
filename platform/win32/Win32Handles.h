#pragma once
// Owners of Win32 handles and COM objects (for platform/win32/ and app/win32/ only). Each
// closes or releases what it holds when it goes, on every path out of a function; a raw
// CloseHandle, FindClose, RegCloseKey, FreeLibrary, Release or CoUninitialize elsewhere
// is a leak waiting for an early return.
#include <windows.h>
#include <objbase.h>

namespace vog::win32 {

// One owned handle; `Traits` name its type, its empty value and how it is closed.
template <class Traits>
class TUniqueHandle {
public:
  using Handle = typename Traits::Handle;

  TUniqueHandle() = default;
  explicit TUniqueHandle(Handle handle) : handle_(handle) {}
  ~TUniqueHandle() { Reset(); }
  TUniqueHandle(TUniqueHandle&& other) noexcept : handle_(other.Release()) {}
  TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TUniqueHandle(const TUniqueHandle&) = delete;
  TUniqueHandle& operator=(const TUniqueHandle&) = delete;

  Handle Get() const { return handle_; }
  bool Valid() const { return Traits::Valid(handle_); }
  explicit operator bool() const { return Valid(); }
  // Gives the handle up without closing it.
  Handle Release() {
    const Handle handle = handle_;
    handle_ = Traits::None();
    return handle;
  }
  void Reset(Handle handle = Traits::None()) {
    if (Valid()) Traits::Close(handle_);
    handle_ = handle;
  }
  // For functions that return a handle through a pointer; closes the one held first.
  Handle* Put() {
    Reset();
    return &handle_;
  }

private:
  Handle handle_ = Traits::None();
};

// Files, devices and volumes (CreateFileW); INVALID_HANDLE_VALUE or null is none.
struct TKernelHandleTraits {
  using Handle = HANDLE;
  static Handle None() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Handle handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
  static void Close(Handle handle) { CloseHandle(handle); }
};
using THandle = TUniqueHandle<TKernelHandleTraits>;

// A search of FindFirstFileExW.
struct TSearchHandleTraits {
  using Handle = HANDLE;
  static Handle None() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Handle handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
  static void Close(Handle handle) { FindClose(handle); }
};
using TSearchHandle = TUniqueHandle<TSearchHandleTraits>;

// An open registry key.
struct TRegKeyTraits {
  using Handle = HKEY;
  static Handle None() { return nullptr; }
  static bool Valid(Handle handle) { return handle != nullptr; }
  static void Close(Handle handle) { RegCloseKey(handle); }
};
using TRegKey = TUniqueHandle<TRegKeyTraits>;

// A library loaded with LoadLibraryW.
struct TLibraryTraits {
  using Handle = HMODULE;
  static Handle None() { return nullptr; }
  static bool Valid(Handle handle) { return handle != nullptr; }
  static void Close(Handle handle) { FreeLibrary(handle); }
};
using TLibrary = TUniqueHandle<TLibraryTraits>;

// A function of a loaded library; casting through void(*)() tells the compiler the
// signature is known.
template <class F>
F Proc(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// COM for the calling thread while the object lives; a thread that already runs COM in
// another mode keeps it (and is not uninitialised here).
class TComScope {
public:
  TComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~TComScope() {
    if (initialised_) CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

private:
  bool initialised_;
};

// One reference to a COM object, released when the owner goes. Declare it after the
// TComScope it needs, so it is released first.
template <class T>
class TComPtr {
public:
  TComPtr() = default;
  ~TComPtr() { Reset(); }
  TComPtr(TComPtr&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  TComPtr& operator=(TComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = other.object_;
      other.object_ = nullptr;
    }
    return *this;
  }
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;

  T* Get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void Reset() {
    if (object_) object_->Release();
    object_ = nullptr;
  }
  // For functions that hand out an object through a pointer; releases the one held first.
  T** Put() {
    Reset();
    return &object_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

private:
  T* object_ = nullptr;
};

}  // namespace vog::win32
