#include "XSession.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// The server stops talking to a client that it finds wrong (a window that
// vanished between two calls); the tests poll again instead of aborting.
int IgnoreXErrors(Display*, XErrorEvent*) {
  return 0;
}

}  // namespace

XSession::XSession() {
  XSetErrorHandler(IgnoreXErrors);
  if (!StartServer()) {
    return;
  }
  m_display = XOpenDisplay(m_displayName.c_str());
  if (m_display == nullptr) {
    m_error = "cannot open display " + m_displayName;
  }
}

XSession::~XSession() {
  if (m_display != nullptr) {
    XCloseDisplay(m_display);
  }
  // Asked to end, the server removes its lock file and socket.
  m_server.Signal(SIGTERM);
  m_server.Finish();
}

bool XSession::StartServer() {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) {
    m_error = "pipe failed";
    return false;
  }
  ProcessSetup setup;
  setup.output = ProcessOutput::kDiscarded;
  setup.signalOnTestEnd = SIGTERM;  // no server outlives a test that was killed
  // Without -noreset the server resets whenever its last client leaves,
  // which can pull the display from under a station just connecting.
  const bool started = m_server.Start({"Xvfb", "-displayfd", std::to_string(pipeEnds[1]), "-screen",
                                       "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"},
                                      setup);
  close(pipeEnds[1]);
  // Xvfb writes the display number it took once it accepts clients.
  std::string number;
  pollfd waiting = {pipeEnds[0], POLLIN, 0};
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(15);
  while (started && Clock::now() < deadline) {
    if (poll(&waiting, 1, 100) <= 0) {
      continue;
    }
    char c = 0;
    if (read(pipeEnds[0], &c, 1) != 1 || c == '\n') {
      break;
    }
    number += c;
  }
  close(pipeEnds[0]);
  if (number.empty()) {
    m_noServerProgram =
        m_server.WaitForExit(std::chrono::seconds(1)) && m_server.ExitStatus() == 127;
    m_error = m_noServerProgram ? "no Xvfb on this machine (package xvfb)"
                                : "Xvfb did not report a display";
    return false;
  }
  m_displayName = ":" + number;
  return true;
}

std::vector<XWindowId> XSession::TopLevelWindows() {
  std::vector<XWindowId> windows;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count) &&
      children != nullptr) {
    for (unsigned int i = 0; i < count; ++i) {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(m_display, children[i], &attributes) &&
          attributes.map_state == IsViewable) {
        windows.push_back(children[i]);
      }
    }
    XFree(children);
  }
  return windows;
}

std::string XSession::Title(XWindowId window) {
  std::string title;
  Atom netName = XInternAtom(m_display, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(m_display, "UTF8_STRING", False);
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(m_display, window, netName, 0, 1024, False, utf8, &type, &format, &items,
                         &after, &data) == Success &&
      data != nullptr) {
    title.assign(reinterpret_cast<char*>(data), items);
    XFree(data);
    return title;
  }
  char* name = nullptr;
  if (XFetchName(m_display, window, &name) && name != nullptr) {
    title = name;
    XFree(name);
  }
  return title;
}

XWindowId XSession::WaitForWindow(const std::string& titlePrefix,
                                  std::chrono::milliseconds timeout) {
  const Clock::time_point deadline = Clock::now() + timeout;
  do {
    for (XWindowId window : TopLevelWindows()) {
      if (Title(window).rfind(titlePrefix, 0) == 0) {
        return window;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (Clock::now() < deadline);
  return 0;
}

bool XSession::WaitForNoWindow(const std::string& titlePrefix, std::chrono::milliseconds timeout) {
  const Clock::time_point deadline = Clock::now() + timeout;
  do {
    bool found = false;
    for (XWindowId window : TopLevelWindows()) {
      found = found || Title(window).rfind(titlePrefix, 0) == 0;
    }
    if (!found) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (Clock::now() < deadline);
  return false;
}

ScreenRect XSession::Geometry(XWindowId window) {
  ScreenRect rect;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(m_display, window, &attributes)) {
    return rect;
  }
  Window child = 0;
  XTranslateCoordinates(m_display, window, DefaultRootWindow(m_display), 0, 0, &rect.x, &rect.y,
                        &child);
  rect.width = attributes.width;
  rect.height = attributes.height;
  return rect;
}

Rgb XSession::Pixel(int rootX, int rootY) {
  Rgb rgb;
  XImage* image =
      XGetImage(m_display, DefaultRootWindow(m_display), rootX, rootY, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) {
    return rgb;
  }
  const unsigned long pixel = XGetPixel(image, 0, 0);
  rgb.red = static_cast<int>((pixel & image->red_mask) >> 16);
  rgb.green = static_cast<int>((pixel & image->green_mask) >> 8);
  rgb.blue = static_cast<int>(pixel & image->blue_mask);
  XDestroyImage(image);
  return rgb;
}

void XSession::Focus(XWindowId window) {
  XSetInputFocus(m_display, window, RevertToParent, CurrentTime);
  XSync(m_display, False);
}

void XSession::SendCloseRequest(XWindowId window) {
  XEvent event;
  std::memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(m_display, window, False, NoEventMask, &event);
  XFlush(m_display);
}

bool XSession::RunXdotool(const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {"xdotool"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  ProcessSetup setup;
  setup.output = ProcessOutput::kInherited;
  setup.environment = {"DISPLAY=" + m_displayName};
  return RunProcess(command, setup).status == 0;
}

bool XSession::MovePointer(int rootX, int rootY) {
  Window root = 0, child = 0;
  int x = 0, y = 0, windowX = 0, windowY = 0;
  unsigned int mask = 0;
  if (XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &x, &y, &windowX,
                    &windowY, &mask) &&
      x == rootX && y == rootY) {
    return true;  // xdotool's --sync would wait for a move that never comes
  }
  return RunXdotool({"mousemove", "--sync", std::to_string(rootX), std::to_string(rootY)});
}

bool XSession::Click(int rootX, int rootY, int button) {
  return MovePointer(rootX, rootY) && RunXdotool({"click", std::to_string(button)});
}

bool XSession::Drag(int fromX, int fromY, int toX, int toY) {
  if (!MovePointer(fromX, fromY) || !RunXdotool({"mousedown", "1"})) {
    return false;
  }
  // Moves in steps, as a hand does, so that the control follows the pointer.
  constexpr int kSteps = 8;
  for (int step = 1; step <= kSteps; ++step) {
    MovePointer(fromX + (toX - fromX) * step / kSteps, fromY + (toY - fromY) * step / kSteps);
  }
  return RunXdotool({"mouseup", "1"});
}

bool XSession::Key(const std::string& keys) {
  return RunXdotool({"key", keys});
}

bool XSession::Type(const std::string& text) {
  return RunXdotool({"type", "--delay", "20", text});
}
