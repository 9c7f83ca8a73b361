// The windowless context on Windows: WGL needs a window's device context to
// make one, so a hidden window lends it; offscreen.cpp adds the framebuffer
// object the pictures are drawn in, so the window's size does not matter.
#include <epoxy/wgl.h>

// opengl32's own call, not libepoxy's wrapper: on a second make-current the
// wrapper moves libepoxy to per-thread tables that only its DLL start-up
// sets up, which a static libepoxy never runs. Without it libepoxy keeps the
// entry points it found first, which Wine and a single driver share
// between contexts.
#undef wglMakeCurrent

#include "view/offscreen.h"

namespace {

const wchar_t kWindowClass[] = L"MqoOffscreen";

bool fail(std::string* error, const char* what) {
    if (error != nullptr) *error = what;
    return false;
}

HWND hiddenWindow() {
    static const bool registered = [] {
        WNDCLASSW windowClass = {};
        windowClass.style = CS_OWNDC;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassW(&windowClass) != 0;
    }();
    if (!registered) return nullptr;
    return CreateWindowExW(0, kWindowClass, L"", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

bool choosePixelFormat(HDC dc) {
    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 32;
    format.cAlphaBits = 8;
    format.cDepthBits = 24;
    format.iLayerType = PFD_MAIN_PLANE;
    const int chosen = ChoosePixelFormat(dc, &format);
    return chosen != 0 && SetPixelFormat(dc, chosen, &format);
}

// A 3.3 core (or ES 3.0) context through WGL_ARB_create_context, asked of
// the legacy context current on dc; null when the driver has none.
HGLRC versionedContext(HDC dc, OffscreenApi api) {
    const bool es = api == OffscreenApi::Es30;
    if (!epoxy_has_wgl_extension(dc, "WGL_ARB_create_context")) return nullptr;
    if (es && !epoxy_has_wgl_extension(dc, "WGL_EXT_create_context_es2_profile")) return nullptr;
    const int flags = api == OffscreenApi::Core33Debug ? WGL_CONTEXT_DEBUG_BIT_ARB : 0;
    const int profile = es ? WGL_CONTEXT_ES2_PROFILE_BIT_EXT : WGL_CONTEXT_CORE_PROFILE_BIT_ARB;
    const int attributes[] = {WGL_CONTEXT_MAJOR_VERSION_ARB,
                              3,
                              WGL_CONTEXT_MINOR_VERSION_ARB,
                              es ? 0 : 3,
                              WGL_CONTEXT_PROFILE_MASK_ARB,
                              profile,
                              WGL_CONTEXT_FLAGS_ARB,
                              flags,
                              0};
    return wglCreateContextAttribsARB(dc, nullptr, attributes);
}

}  // namespace

bool Offscreen::openContext(OffscreenApi api, std::string* error) {
    HWND window = hiddenWindow();
    if (window == nullptr)
        return fail(error, "cannot create a hidden window (is there a desktop?)");
    window_ = window;
    HDC dc = GetDC(window);
    display_ = dc;
    if (dc == nullptr || !choosePixelFormat(dc))
        return fail(error, "no pixel format for OpenGL on this display");
    HGLRC legacy = wglCreateContext(dc);
    if (legacy == nullptr) return fail(error, "cannot create an OpenGL context");
    context_ = legacy;
    if (!wglMakeCurrent(dc, legacy)) return fail(error, "cannot make the OpenGL context current");
    if (api == OffscreenApi::Compatibility) return true;

    HGLRC versioned = versionedContext(dc, api);
    if (versioned == nullptr)
        return fail(error, api == OffscreenApi::Es30 ? "WGL offers no OpenGL ES 3.0"
                                                     : "WGL offers no OpenGL 3.3 core profile");
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(legacy);
    context_ = versioned;
    if (!wglMakeCurrent(dc, versioned))
        return fail(error, "cannot make the OpenGL context current");
    return true;
}

void Offscreen::closeContext() {
    if (context_ != nullptr) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(static_cast<HGLRC>(context_));
    }
    if (display_ != nullptr) ReleaseDC(static_cast<HWND>(window_), static_cast<HDC>(display_));
    if (window_ != nullptr) DestroyWindow(static_cast<HWND>(window_));
}
