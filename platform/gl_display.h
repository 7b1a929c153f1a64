// Windows, the GL context and the event pump over SDL2, in place of the
// Win32 window, WGL and the message loop.
//
// Pixel format: RGB 8/8/8, no alpha, depth 24, no stencil, double buffer,
// and multisampling when asked; no context profile is requested, which gives
// a compatibility context (the renderers use the fixed-function state).
// Tests choose the display by the environment: SDL_VIDEODRIVER=offscreen
// (EGL, no X server) or an X server such as Xvfb.
//
// Entry points: GetProc answers null unless the context's version or
// extension string offers the name (a table of names against the core
// version and extension that bring them), because SDL answers a non-null
// pointer for any name at all; names the table does not know give null.
//
// The video subsystem is started by the first window and stopped by the last.
#pragma once

#include <memory>
#include <string>

#include <cstdint>

struct zPlatformWindowImpl;

class zPlatformWindow {
  public:
    enum Show : std::uint32_t { Shown = 0, Hidden = 1 };

    // A window whose client area is width x height at (x, y). With samples >
    // 0 it first asks for a multisampled format and falls back to none when
    // the display cannot give one. Null on failure (PlatformVideoError says why).
    static std::unique_ptr<zPlatformWindow> Create(const char* title, std::int32_t x, std::int32_t y,
                                                   std::uint32_t width, std::uint32_t height, Show show,
                                                   std::uint32_t samples);
    ~zPlatformWindow();
    zPlatformWindow(const zPlatformWindow&) = delete;
    zPlatformWindow& operator=(const zPlatformWindow&) = delete;

    void SetTitle(const char* title);
    void ShowWindow();
    bool IsShown() const;
    // The size in pixels of what GL draws into.
    void GetDrawableSize(std::uint32_t& width, std::uint32_t& height) const;
    // The samples the window's format was made with (0: none).
    std::uint32_t GetRequestedSamples() const;
    // The handle hosts and input devices attach to (an SDL_Window).
    void* GetNativeHandle() const;

    // Full screen at exactly width x height; false, logged by the caller,
    // when the display has no such mode.
    bool EnterFullscreen(std::uint32_t width, std::uint32_t height);
    void LeaveFullscreen();
    // Buffers swap on this window.
    void Swap();

  private:
    explicit zPlatformWindow(std::unique_ptr<zPlatformWindowImpl> impl);
    std::unique_ptr<zPlatformWindowImpl> m_impl;
    friend class zPlatformGLContext;
};

class zPlatformGLContext {
  public:
    // A context for the window, made current on it, with its version and
    // extension strings read. Null on failure (PlatformVideoError says why).
    static std::unique_ptr<zPlatformGLContext> Create(zPlatformWindow& window);
    ~zPlatformGLContext();
    zPlatformGLContext(const zPlatformGLContext&) = delete;
    zPlatformGLContext& operator=(const zPlatformGLContext&) = delete;

    // Makes the context current on that window (another window made with the
    // same pixel format, for extra outputs).
    bool MakeCurrent(zPlatformWindow& window);
    // No context current on this thread.
    static void ReleaseCurrent();

    // The entry point, when the context offers its name; else null.
    void* GetProc(const char* name) const;
    // Whether a name is offered, by the same rule.
    bool Offers(const char* name) const;
    // Core version as major * 10 + minor (4.5 gives 45).
    std::uint32_t GetVersionNumber() const { return m_version; }
    bool HasExtension(const char* extension) const;
    const std::string& GetVersionString() const { return m_versionString; }
    const std::string& GetVendorString() const { return m_vendorString; }
    const std::string& GetRendererString() const { return m_rendererString; }

  private:
    zPlatformGLContext() = default;
    void* m_context = nullptr;
    std::uint32_t m_version = 0;
    std::string m_extensions; // " name name ... " for whole-word search
    std::string m_versionString;
    std::string m_vendorString;
    std::string m_rendererString;
};

// What the last failed window or context operation met, for the caller's log.
const char* PlatformVideoError();

// Shows or hides the mouse cursor over the windows.
void PlatformShowCursor(bool show);

// Handles pending window events (keys, buttons and the cursor go to the input
// tables of platform/os_input.h). A window's close box raises the quit flag,
// which stays until cleared: the engine treats it as a request to end.
void PlatformPumpEvents();
bool PlatformQuitRequested();
void PlatformClearQuitRequest();
