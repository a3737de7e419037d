// The window dispatcher, the routing procedure and the registry, driven with fake handles and a
// recording stand-in for default processing.
#include "oru/shell/window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "oru/platform/event_loop.h"
#include "oru/platform/native_window.h"
#include "oru/shell/application.h"
#include "oru/shell/window_registry_internal.h"
#include "tests/support/scoped_default_window_proc.h"

namespace oru {
namespace {

WindowHandle FakeHandle(std::uintptr_t n) { return reinterpret_cast<WindowHandle>(n * 0x100); }

struct DefaultCall {
  WindowHandle window;
  unsigned message;
  WParam wParam;
  LParam lParam;
};
std::vector<DefaultCall> defaultCalls;
constexpr MessageResult kDefaultResult = 42;

MessageResult RecordDefault(WindowHandle window, unsigned message, WParam wParam, LParam lParam) {
  defaultCalls.push_back({window, message, wParam, lParam});
  return kDefaultResult;
}

// Records each handler call as text; passes on to the base handler when passOn is set.
class Probe : public Window {
 public:
  std::vector<std::string> log;
  bool passOn = true;
  bool* destroyed = nullptr;
  // handle as the object saw it when WM_GETMINMAXINFO / WM_CREATE arrived.
  std::vector<WindowHandle> handleDuringCreation;

  ~Probe() override {
    if (destroyed) *destroyed = true;
  }
  void SetHandle(WindowHandle h) { handle = h; }

  MessageResult HandleMessage(WindowHandle w, unsigned m, WParam wp, LParam lp) override {
    if (m == WM_CREATE) handleDuringCreation.push_back(handle);
    return Window::HandleMessage(w, m, wp, lp);
  }
  void OnMouseMove(WParam flags, const Point* p) override {
    Log("OnMouseMove", flags, p->x, p->y);
    if (passOn) Window::OnMouseMove(flags, p);
  }
  void OnPaint() override {
    log.push_back("OnPaint()");
    if (passOn) Window::OnPaint();
  }
  void OnKeyUp(WParam vk, LParam data, int r) override {
    Log("OnKeyUp", vk, data, r);
    if (passOn) Window::OnKeyUp(vk, data, r);
  }
  void OnKeyDown(WParam vk, LParam data, int r) override {
    Log("OnKeyDown", vk, data, r);
    if (passOn) Window::OnKeyDown(vk, data, r);
  }
  void OnChar(WParam ch, LParam data, int r) override {
    Log("OnChar", ch, data, r);
    if (passOn) Window::OnChar(ch, data, r);
  }
  void OnGetMinMaxInfo(MinMaxInfo* info) override {
    handleDuringCreation.push_back(handle);
    Log("OnGetMinMaxInfo", reinterpret_cast<std::uintptr_t>(info));
    if (passOn) Window::OnGetMinMaxInfo(info);
  }
  void OnClose() override {
    log.push_back("OnClose()");
    if (passOn) Window::OnClose();
  }
  void OnSetCursor(WindowHandle w, unsigned hit, unsigned mouse) override {
    Log("OnSetCursor", reinterpret_cast<std::uintptr_t>(w), hit, mouse);
    if (passOn) Window::OnSetCursor(w, hit, mouse);
  }
  void OnActivate(unsigned state, WindowHandle other, unsigned minimised) override {
    Log("OnActivate", state, reinterpret_cast<std::uintptr_t>(other), minimised);
    if (passOn) Window::OnActivate(state, other, minimised);
  }
  void OnDropFiles(WParam drop) override {
    Log("OnDropFiles", drop);
    if (passOn) Window::OnDropFiles(drop);
  }

 private:
  template <typename... Args>
  void Log(const char* name, Args... args) {
    std::string s = name;
    s += '(';
    bool first = true;
    ((s += (first ? "" : ","), s += std::to_string(static_cast<long long>(args)), first = false),
     ...);
    s += ')';
    log.push_back(s);
  }
};

class DispatcherTest : public ::testing::Test {
 protected:
  void SetUp() override { defaultCalls.clear(); }

 private:
  ScopedDefaultWindowProc defaultProc_{&RecordDefault};
};

struct DispatchCase {
  unsigned message;
  WParam wParam;
  LParam lParam;
  std::string handlerCall;  // empty: no handler, default processing only
};

TEST_F(DispatcherTest, EachMessageReachesItsHandlerWithItsArguments) {
  const WindowHandle h = FakeHandle(1);
  MinMaxInfo info{};
  const auto infoParam = reinterpret_cast<LParam>(&info);
  const std::vector<DispatchCase> cases = {
      {WM_ACTIVATE, 0x00010002, 0x300, "OnActivate(2,768,1)"},
      {WM_PAINT, 0, 0, "OnPaint()"},
      {WM_CLOSE, 0, 0, "OnClose()"},
      {WM_SETCURSOR, 0x500, MakeLParam(1, WM_MOUSEMOVE), "OnSetCursor(1280,1,512)"},
      {WM_GETMINMAXINFO, 0, infoParam, "OnGetMinMaxInfo(" + std::to_string(infoParam) + ")"},
      {WM_KEYDOWN, 0x1B, 0x00010001, "OnKeyDown(27,65537,0)"},
      {WM_KEYUP, 0x72, static_cast<LParam>(0xC0000001u), "OnKeyUp(114,3221225473,0)"},
      {WM_CHAR, 'a', 1, "OnChar(97,1,0)"},
      {WM_MOUSEMOVE, 0x0001, MakeLParam(320, 240), "OnMouseMove(1,320,240)"},
      // Left of and above the client area: unsigned words, not negative numbers.
      {WM_MOUSEMOVE, 0, MakeLParam(0xFFFB, 0xFFFE), "OnMouseMove(0,65531,65534)"},
      {WM_DROPFILES, 0x1234, 0, "OnDropFiles(4660)"},
      {WM_SIZE, 0, MakeLParam(640, 480), ""},
      {WM_CREATE, 0, 0, ""},
      {WM_LBUTTONDOWN, 1, MakeLParam(3, 4), ""},
      {0x4000, 7, 8, ""},
  };
  for (const bool passOn : {true, false}) {
    for (const DispatchCase& c : cases) {
      SCOPED_TRACE("message " + std::to_string(c.message) + (passOn ? " passed on" : " kept"));
      Probe probe;
      probe.passOn = passOn;
      defaultCalls.clear();
      const MessageResult result = probe.HandleMessage(h, c.message, c.wParam, c.lParam);
      if (c.handlerCall.empty()) {
        EXPECT_TRUE(probe.log.empty());
      } else {
        ASSERT_EQ(probe.log.size(), 1u);
        EXPECT_EQ(probe.log[0], c.handlerCall);
      }
      // Default processing runs for messages outside the table, and for table messages only
      // when the handler asked for it.
      const bool expectDefault = c.handlerCall.empty() || passOn;
      if (expectDefault) {
        ASSERT_EQ(defaultCalls.size(), 1u);
        EXPECT_EQ(defaultCalls[0].window, h);
        EXPECT_EQ(defaultCalls[0].message, c.message);
        EXPECT_EQ(defaultCalls[0].wParam, c.wParam);
        EXPECT_EQ(defaultCalls[0].lParam, c.lParam);
        EXPECT_EQ(result, kDefaultResult);
      } else {
        EXPECT_TRUE(defaultCalls.empty());
        EXPECT_EQ(result, 0);
      }
    }
  }
}

TEST_F(DispatcherTest, CallDefaultIsClearedBeforeEveryMessage) {
  Probe probe;
  probe.HandleMessage(FakeHandle(1), WM_PAINT, 0, 0);  // base handler sets callDefault
  probe.passOn = false;
  defaultCalls.clear();
  EXPECT_EQ(probe.HandleMessage(FakeHandle(1), WM_PAINT, 0, 0), 0);
  EXPECT_TRUE(defaultCalls.empty());
}

class TestApplication : public Application {
 public:
  void SetMainWindow(Window* w) { mainWindow = w; }
  ~TestApplication() override { mainWindow = nullptr; }
};

TEST_F(DispatcherTest, DestroyingTheMainWindowPostsQuit) {
  TestApplication app;
  Probe mainProbe;
  Probe otherProbe;
  app.SetMainWindow(&mainProbe);

  MessageRecord m{};
  EXPECT_EQ(otherProbe.HandleMessage(FakeHandle(2), WM_DESTROY, 0, 0), 0);
  EXPECT_FALSE(PeekMessage(&m)) << "another window's destruction posts nothing";
  EXPECT_TRUE(defaultCalls.empty());

  EXPECT_EQ(mainProbe.HandleMessage(FakeHandle(1), WM_DESTROY, 0, 0), 0);
  EXPECT_TRUE(defaultCalls.empty()) << "no default processing for WM_DESTROY";
  EXPECT_TRUE(mainProbe.log.empty());
  ASSERT_TRUE(PeekMessage(&m));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 0u);
}

TEST_F(DispatcherTest, RoutingFindsTheWindowByHandleElseTheOneBeingCreated) {
  Probe first;
  Probe second;
  first.SetHandle(FakeHandle(1));
  WindowRegistry& registry = TheWindowRegistry();
  registry.Add(&first);
  registry.Add(&second);  // being created: its handle is not known yet

  RoutingWindowProc(FakeHandle(1), WM_PAINT, 0, 0);
  EXPECT_EQ(first.log.size(), 1u);
  EXPECT_TRUE(second.log.empty());

  // A handle nobody knows yet: the window added last receives the message.
  EXPECT_EQ(RoutingWindowProc(FakeHandle(9), WM_KEYDOWN, 'A', 1), kDefaultResult);
  ASSERT_EQ(second.log.size(), 1u);
  EXPECT_EQ(second.log[0], "OnKeyDown(65,1,0)");

  registry.Remove(&first);
  registry.Remove(&second);
  // Nobody to route to: plain default processing.
  defaultCalls.clear();
  EXPECT_EQ(RoutingWindowProc(FakeHandle(9), WM_PAINT, 0, 0), kDefaultResult);
  EXPECT_EQ(defaultCalls.size(), 1u);
}

TEST(WindowRegistryTest, EmptiedSlotsAreReusedAndTheTableNeverShrinks) {
  WindowRegistry registry;
  EXPECT_EQ(registry.Current(), nullptr);
  EXPECT_EQ(registry.FindByHandle(FakeHandle(1)), nullptr);
  Probe a, b, c, d, e;
  a.SetHandle(FakeHandle(1));
  b.SetHandle(FakeHandle(2));
  c.SetHandle(FakeHandle(3));
  d.SetHandle(FakeHandle(2));  // same handle as b, which leaves first
  e.SetHandle(FakeHandle(5));
  registry.Add(&a);
  registry.Add(&b);
  registry.Add(&c);
  EXPECT_EQ(registry.Count(), 3);
  EXPECT_EQ(registry.Current(), &c);
  EXPECT_EQ(registry.FindByHandle(FakeHandle(2)), &b);

  registry.Remove(&b);
  EXPECT_EQ(registry.Count(), 3);
  EXPECT_EQ(registry.FindByHandle(FakeHandle(2)), nullptr) << "an empty slot never matches";
  EXPECT_EQ(registry.Current(), &c);

  registry.Add(&d);
  EXPECT_EQ(registry.Count(), 3) << "the emptied slot is reused";
  EXPECT_EQ(registry.Current(), &d);
  EXPECT_EQ(registry.FindByHandle(FakeHandle(2)), &d);

  registry.Add(&e);
  EXPECT_EQ(registry.Count(), 4);
  EXPECT_EQ(registry.Current(), &e);
  EXPECT_EQ(registry.FindByHandle(FakeHandle(3)), &c);

  registry.Remove(&e);
  EXPECT_EQ(registry.Current(), nullptr) << "the current slot has been emptied";
  registry.Remove(&e);  // removing again changes nothing
  EXPECT_EQ(registry.Count(), 4);
}

TEST(WindowRegistryTest, WindowLeavesTheRegistryWhenDestroyed) {
  WindowRegistry& registry = TheWindowRegistry();
  auto* probe = new Probe;
  probe->SetHandle(FakeHandle(7));
  registry.Add(probe);
  EXPECT_EQ(registry.FindByHandle(FakeHandle(7)), probe);
  delete probe;
  EXPECT_EQ(registry.FindByHandle(FakeHandle(7)), nullptr);
}

// A real native window on SDL's dummy video driver: the messages sent while it is created reach
// the object before it knows its handle.
TEST(WindowCreateTest, MessagesDuringCreationReachTheWindowBeingCreated) {
  if (!StartVideo()) GTEST_SKIP() << "no SDL video driver";
  Probe probe;
  const WindowHandle h = probe.Create(nullptr, "probe", 0);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(probe.Handle(), h);
  ASSERT_GE(probe.handleDuringCreation.size(), 2u);  // WM_GETMINMAXINFO and WM_CREATE
  for (WindowHandle seen : probe.handleDuringCreation) EXPECT_EQ(seen, nullptr);
  EXPECT_EQ(GetWindowStyle(h), kDefaultWindowStyle);
  EXPECT_EQ(probe.Create(nullptr, "again", 0), h) << "one native window per object";

  // Default processing of WM_CLOSE destroys the native window.
  probe.log.clear();
  SendMessage(h, WM_CLOSE, 0, 0);
  EXPECT_EQ(probe.log, std::vector<std::string>{"OnClose()"});
  EXPECT_FALSE(IsNativeWindow(h));
}

class CountingApplication : public Application {
 public:
  int inits = 0;
  bool initResult = false;
  bool Init() override {
    ++inits;
    PostQuitMessage(0);
    return initResult;
  }
  InstanceHandle Instance() const { return instance; }
  char* CommandLineValue() const { return commandLine; }
  int ShowCommandValue() const { return showCommand; }
  void SetMainWindow(Window* w) { mainWindow = w; }
};

TEST(ApplicationTest, RunStoresStartUpValuesAndLoopsEvenWhenInitFails) {
  ResetMessageQueueForTesting();
  bool windowDeleted = false;
  {
    CountingApplication app;
    EXPECT_EQ(CurrentApplication(), &app);
    EXPECT_EQ(app.MainWindow(), nullptr);
    int marker = 0;
    char commandLine[] = "-x";
    EXPECT_EQ(app.Run(&marker, nullptr, commandLine, 3), 1);
    EXPECT_EQ(app.inits, 1);
    EXPECT_EQ(app.Instance(), &marker);
    EXPECT_EQ(app.CommandLineValue(), commandLine);
    EXPECT_EQ(app.ShowCommandValue(), 3);
    auto* w = new Probe;
    w->destroyed = &windowDeleted;
    app.SetMainWindow(w);
  }
  EXPECT_TRUE(windowDeleted) << "the application owns its main window";
  EXPECT_EQ(CurrentApplication(), nullptr);
}

}  // namespace
}  // namespace oru
