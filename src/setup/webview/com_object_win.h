// Reference counting and QueryInterface for the small COM objects this program hands to
// WebView2 (options, completion handlers, event handlers). An object answers for IUnknown, for
// its interface and for the bases listed, always with the same pointer, and deletes itself when
// the last reference goes.
#pragma once

#include <unknwn.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <utility>

// The IID of an interface: our WebView2 declarations carry it as a member, the system's
// interfaces through __uuidof.
template <class I>
const GUID& iid_of() {
  if constexpr (requires { I::iid; })
    return I::iid;
  else
    return __uuidof(I);
}

template <class Derived, class Interface, class... Bases>
struct ComObject : Interface {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, iid_of<Interface>()) ||
        (IsEqualIID(riid, iid_of<Bases>()) || ...)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

// A handler interface whose one method Invoke(Args...) calls a function. Made with one
// reference, which the maker owns.
template <class Interface, class... Args>
struct CallbackHandler final : ComObject<CallbackHandler<Interface, Args...>, Interface> {
  explicit CallbackHandler(std::function<HRESULT(Args...)> fn) : fn_(std::move(fn)) {}
  HRESULT STDMETHODCALLTYPE Invoke(Args... args) override { return fn_ ? fn_(args...) : S_OK; }

 private:
  std::function<HRESULT(Args...)> fn_;
};

// Holds one reference and releases it when it goes.
template <class T>
struct ComRef {
  T* p = nullptr;
  ComRef() = default;
  explicit ComRef(T* owned) : p(owned) {}
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ComRef(ComRef&& o) noexcept : p(std::exchange(o.p, nullptr)) {}
  ComRef& operator=(ComRef&& o) noexcept {
    if (this != &o) {
      reset();
      p = std::exchange(o.p, nullptr);
    }
    return *this;
  }
  ~ComRef() { reset(); }
  void reset() {
    if (p) std::exchange(p, nullptr)->Release();
  }
  T** put() {
    reset();
    return &p;
  }
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};
