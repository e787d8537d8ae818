// The platform window that the OpenCASCADE view draws into, made from a widget's native handle.
// The one place that knows which Aspect_Window class the platform and OCCT version need.
#pragma once

#include <QtGui/qwindowdefs.h>

#include <Standard_Handle.hxx>

class Aspect_DisplayConnection;
class Aspect_Window;

namespace OccNativeWindow {

// Connection to the platform's display server (X11: the DISPLAY named by the environment).
opencascade::handle<Aspect_DisplayConnection> createDisplayConnection();

// Wraps the existing native window `winId`; never creates a window of its own.
opencascade::handle<Aspect_Window> create(const opencascade::handle<Aspect_DisplayConnection>& display,
                                          WId winId);

} // namespace OccNativeWindow
