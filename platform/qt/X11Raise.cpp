// Raising a window by its title on X11.  See X11Raise.h.  Uses the X connection of the Qt
// application; nothing is opened or kept.
#include "platform/qt/X11Raise.h"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <string>
#include <vector>

#if defined(TAVOLIN_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#define TAVOLIN_RAISE_ON_X11 1
#endif

namespace tavolin::qt {

#ifdef TAVOLIN_RAISE_ON_X11
namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
  return r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// A property as bytes; empty when missing.
std::string Property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type) {
  if (property == XCB_ATOM_NONE) return {};
  Reply<xcb_get_property_reply_t> r(
      xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, 4096), nullptr));
  if (!r || r->format != 8) return {};
  const auto* data = static_cast<const char*>(xcb_get_property_value(r.get()));
  return std::string(data, static_cast<std::size_t>(xcb_get_property_value_length(r.get())));
}

std::vector<xcb_window_t> ClientList(xcb_connection_t* c, xcb_window_t root, xcb_atom_t list) {
  std::vector<xcb_window_t> windows;
  if (list == XCB_ATOM_NONE) return windows;
  Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
      c, xcb_get_property(c, 0, root, list, XCB_ATOM_WINDOW, 0, 65536), nullptr));
  if (!r || r->format != 32) return windows;
  const auto* data = static_cast<const xcb_window_t*>(xcb_get_property_value(r.get()));
  windows.assign(data, data + xcb_get_property_value_length(r.get()) / 4);
  return windows;
}

std::vector<xcb_window_t> Children(xcb_connection_t* c, xcb_window_t root) {
  std::vector<xcb_window_t> windows;
  Reply<xcb_query_tree_reply_t> r(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
  if (!r) return windows;
  const xcb_window_t* data = xcb_query_tree_children(r.get());
  windows.assign(data, data + xcb_query_tree_children_length(r.get()));
  return windows;
}

}  // namespace

bool RaiseWindowTitled(std::string_view title) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (x11 == nullptr || x11->connection() == nullptr) return false;
  xcb_connection_t* c = x11->connection();
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  if (screen == nullptr) return false;
  const xcb_window_t root = screen->root;
  const xcb_atom_t netClientList = Atom(c, "_NET_CLIENT_LIST");
  const xcb_atom_t netWmName = Atom(c, "_NET_WM_NAME");
  const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
  const xcb_atom_t netActive = Atom(c, "_NET_ACTIVE_WINDOW");

  std::vector<xcb_window_t> candidates = ClientList(c, root, netClientList);
  const bool managed = !candidates.empty();
  if (!managed) candidates = Children(c, root);
  for (const xcb_window_t w : candidates) {
    std::string name = Property(c, w, netWmName, utf8);
    if (name.empty()) name = Property(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
    if (name != title) continue;
    if (managed && netActive != XCB_ATOM_NONE) {
      xcb_client_message_event_t message{};
      message.response_type = XCB_CLIENT_MESSAGE;
      message.format = 32;
      message.window = w;
      message.type = netActive;
      message.data.data32[0] = 1;  // a request from an application
      message.data.data32[1] = XCB_CURRENT_TIME;
      xcb_send_event(c, 0, root,
                     XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                     reinterpret_cast<const char*>(&message));
    } else {
      const std::uint32_t above = XCB_STACK_MODE_ABOVE;
      xcb_map_window(c, w);
      xcb_configure_window(c, w, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    }
    xcb_flush(c);
    return true;
  }
  return false;
}

#else

bool RaiseWindowTitled(std::string_view /*title*/) {
  return false;
}

#endif

}  // namespace tavolin::qt
