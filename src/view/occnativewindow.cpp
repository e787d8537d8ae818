#include "view/occnativewindow.h"

#include <Aspect_DisplayConnection.hxx>
#include <Quantity_Color.hxx>
#include <Xw_Window.hxx>

namespace OccNativeWindow {

opencascade::handle<Aspect_DisplayConnection> createDisplayConnection()
{
    return new Aspect_DisplayConnection();
}

opencascade::handle<Aspect_Window> create(const opencascade::handle<Aspect_DisplayConnection>& display,
                                          WId winId)
{
    // Xw_Window takes no background colour at construction: the same dark grey is set afterwards.
    opencascade::handle<Xw_Window> window = new Xw_Window(display, static_cast<Aspect_Drawable>(winId));
    window->SetBackground(Quantity_Color(Quantity_NOC_MATRAGRAY));
    return window;
}

} // namespace OccNativeWindow
