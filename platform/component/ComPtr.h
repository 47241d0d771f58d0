#pragma once

#include "Interfaces.h"

#include <memory>
#include <utility>

namespace veilcraft::component {

// An owning reference to a component interface: releases it when it goes and
// adds a reference for every copy. It also carries a keep-alive token (the
// loaded library the object's code lives in), which is dropped only after
// the object was released, so the code is never unloaded under a live
// object. Raw pointers taken from get() keep nothing alive.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    ComPtr(const ComPtr& other) : pointer_(other.pointer_), keepAlive_(other.keepAlive_)
    {
        if (pointer_ != nullptr)
            pointer_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept
        : pointer_(std::exchange(other.pointer_, nullptr)), keepAlive_(std::move(other.keepAlive_))
    {
    }
    ComPtr& operator=(ComPtr other) noexcept
    {
        swap(other);
        return *this;
    }
    ~ComPtr() { reset(); }

    // Takes over a reference the caller already holds (what QueryInterface
    // and CreateInstance hand out).
    [[nodiscard]] static ComPtr adopt(T* pointer, std::shared_ptr<const void> keepAlive = {})
    {
        ComPtr result;
        result.pointer_ = pointer;
        result.keepAlive_ = pointer != nullptr ? std::move(keepAlive) : nullptr;
        return result;
    }
    // Adds a reference of its own.
    [[nodiscard]] static ComPtr share(T* pointer, std::shared_ptr<const void> keepAlive = {})
    {
        if (pointer != nullptr)
            pointer->AddRef();
        return adopt(pointer, std::move(keepAlive));
    }

    void reset()
    {
        // Release first: the keep-alive may unload the code Release runs.
        if (T* pointer = std::exchange(pointer_, nullptr))
            pointer->Release();
        keepAlive_.reset();
    }
    void swap(ComPtr& other) noexcept
    {
        std::swap(pointer_, other.pointer_);
        std::swap(keepAlive_, other.keepAlive_);
    }

    [[nodiscard]] T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    T& operator*() const { return *pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    [[nodiscard]] const std::shared_ptr<const void>& keepAlive() const { return keepAlive_; }

    // Another interface of the same object, or null (with `status` telling
    // why) when the object does not offer it.
    template <class U>
    [[nodiscard]] ComPtr<U> query(const Guid& iid, HRESULT* status = nullptr) const
    {
        void* object = nullptr;
        const HRESULT hr = pointer_ != nullptr ? pointer_->QueryInterface(iid, &object) : E_POINTER;
        if (status != nullptr)
            *status = hr;
        if (failed(hr) || object == nullptr)
            return {};
        return ComPtr<U>::adopt(static_cast<U*>(object), keepAlive_);
    }

private:
    T* pointer_ = nullptr;
    std::shared_ptr<const void> keepAlive_;
};

}  // namespace veilcraft::component
