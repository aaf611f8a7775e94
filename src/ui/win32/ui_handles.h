#pragma once
// Owners of the user-interface handles the dialogs create: each frees its handle exactly once.
#include <windows.h>

#include <utility>

namespace pelorin::ui {

// A handle with a single owner; `Free` releases a non-null handle.
template <class Handle, BOOL(WINAPI* Free)(Handle)>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    Handle release() { return std::exchange(handle_, nullptr); }
    void reset(Handle handle = nullptr) {
        if (handle_) Free(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

inline BOOL WINAPI deleteFont(HFONT font) { return DeleteObject(font); }
inline BOOL WINAPI deleteBitmap(HBITMAP bitmap) { return DeleteObject(bitmap); }
inline BOOL WINAPI deletePen(HPEN pen) { return DeleteObject(pen); }
inline BOOL WINAPI deleteBrush(HBRUSH brush) { return DeleteObject(brush); }

using UniqueFont = UniqueHandle<HFONT, deleteFont>;
using UniqueBitmap = UniqueHandle<HBITMAP, deleteBitmap>;
using UniquePen = UniqueHandle<HPEN, deletePen>;
using UniqueBrush = UniqueHandle<HBRUSH, deleteBrush>;
using UniqueWindow = UniqueHandle<HWND, DestroyWindow>;
using UniqueMenu = UniqueHandle<HMENU, DestroyMenu>;

// The device context of a window (the screen's for none), released at the end of the scope.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Selects a GDI object into a device context and puts the previous one back at the end.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (previous_) SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace pelorin::ui
