// A counted reference to a COM interface: AddRef on copy, Release on reset.
// Windows only.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <cstdint>
#include <utility>

namespace qm::ie {

template <class T>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef& other) : ptr_(other.ptr_) {
        if (ptr_) {
            ptr_->AddRef();
        }
    }
    ComRef(ComRef&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ~ComRef() { Reset(); }

    ComRef& operator=(ComRef other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }

    // Takes over a reference the caller already owns (no AddRef).
    static ComRef Attach(T* ptr) {
        ComRef ref;
        ref.ptr_ = ptr;
        return ref;
    }
    // Adds a reference of its own to ptr.
    static ComRef Share(T* ptr) {
        if (ptr) {
            ptr->AddRef();
        }
        return Attach(ptr);
    }

    void Reset() {
        if (ptr_) {
            std::exchange(ptr_, nullptr)->Release();
        }
    }
    // For out-parameters: releases what is held and hands out the slot.
    T** Put() {
        Reset();
        return &ptr_;
    }

    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    // QueryInterface for U; null when the object does not support it.
    template <class U>
    ComRef<U> As() const {
        ComRef<U> result;
        if (!ptr_) {
            return result;
        }
        void* out = nullptr;
        if (SUCCEEDED(ptr_->QueryInterface(__uuidof(U), &out)) && out) {
            result = ComRef<U>::Attach(static_cast<U*>(out));
        }
        return result;
    }

private:
    T* ptr_ = nullptr;
};

// The COM identity of an object: the IUnknown pointer QueryInterface gives.
// Falls back to the pointer itself when the object refuses IUnknown.
template <class T>
std::uintptr_t ComIdentity(T* ptr) {
    if (!ptr) {
        return 0;
    }
    IUnknown* unknown = nullptr;
    if (SUCCEEDED(ptr->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown))) &&
        unknown) {
        const auto identity = reinterpret_cast<std::uintptr_t>(unknown);
        unknown->Release();  // the object stays alive through ptr
        return identity;
    }
    return reinterpret_cast<std::uintptr_t>(ptr);
}

}  // namespace qm::ie
