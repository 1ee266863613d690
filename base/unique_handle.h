#pragma once
// One move-only owner for every kind of handle, so nothing leaks on any path and nothing is
// closed twice. `IsValid` says which values hold nothing: null for most handles, more than
// one value for some (a Windows file handle is empty both as null and as INVALID_HANDLE_VALUE).

#include <utility>

template <typename Handle> constexpr bool notNull(Handle handle) {
    return handle != Handle{};
}

template <typename Handle, auto Close, auto IsValid = notNull<Handle>, Handle Empty = Handle{}>
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return IsValid(handle_); }
    // The caller owns the handle from here on: dropping the result leaks it.
    [[nodiscard]] Handle release() { return std::exchange(handle_, Empty); }
    void reset(Handle handle = Empty) {
        if (IsValid(handle_)) Close(handle_);
        handle_ = handle;
    }

  private:
    Handle handle_ = Empty;
};
