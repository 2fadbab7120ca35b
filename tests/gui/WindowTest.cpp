// The station window in this process, on a private display, around the real
// dialog logic: the controls built from the template, the value exchange with
// its integer prompt, the notifications held off during an exchange, the
// message boxes, the status bitmaps and the message pump.

#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/slider.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "Clock.h"
#include "ControlServer.h"
#include "DialogTemplate.h"
#include "LocalSocket.h"
#include "SharedSegment.h"
#include "SpinArrows.h"
#include "StationResources.h"
#include "StatusBitmapControl.h"
#include "TavrionDlg.h"
#include "TavrionWindow.h"
#include "TempDir.h"
#include "VisualShm.h"
#include "WxMessagePump.h"
#include "WxText.h"
#include "XSession.h"

namespace {

// The toolkit, up once for the whole program on its own display.
class ToolkitEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    m_x = std::make_unique<XSession>();
    if (m_x->NoServerProgram()) {
      GTEST_SKIP() << m_x->Error();
    }
    ASSERT_TRUE(m_x->IsUp()) << m_x->Error();
    setenv("DISPLAY", m_x->DisplayName().c_str(), 1);
    setenv("NO_AT_BRIDGE", "1", 1);
    setenv("GSETTINGS_BACKEND", "memory", 1);
    // A failed toolkit assertion fails the test instead of opening a dialog
    // that nobody answers.
    wxSetAssertHandler([](const wxString& file, int line, const wxString& function,
                          const wxString& condition, const wxString& message) {
      ADD_FAILURE() << file << ":" << line << " " << function << ": " << condition << " "
                    << message;
    });
    wxApp::SetInstance(new wxApp);
    static char name[] = "gui_window_tests";
    static char* argv[] = {name, nullptr};
    int argc = 1;
    ASSERT_TRUE(wxEntryStart(argc, argv));
    m_up = true;
    s_session = m_x.get();
  }
  void TearDown() override {
    if (m_up) {
      wxEntryCleanup();
    }
    s_session = nullptr;
    m_x.reset();
  }

  // The display's session, for tests that give the window real input.
  static XSession* Session() { return s_session; }

 private:
  static inline XSession* s_session = nullptr;
  std::unique_ptr<XSession> m_x;
  bool m_up = false;
};

// Answers every modal dialog at once with OK and keeps what a message box
// would have shown.
class MessageBoxRecorder : public wxModalDialogHook {
 public:
  MessageBoxRecorder() { Register(); }
  int shown = 0;
  wxString message, caption;
  long style = 0;

 protected:
  int Enter(wxDialog* dialog) override {
    ++shown;
    if (auto* box = dynamic_cast<wxMessageDialogBase*>(dialog)) {
      message = box->GetMessage();
      caption = box->GetCaption();
      style = box->GetMessageDialogStyle();
    }
    return wxID_OK;
  }
};

void RunPendingEvents() {
  for (int pass = 0; pass < 100 && wxTheApp->HasPendingEvents(); ++pass) {
    wxTheApp->ProcessPendingEvents();
  }
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_settings.segmentName = m_segmentName.c_str();
    m_window = new TavrionWindow(nullptr);
    m_logic = std::make_unique<CTavrionDlg>(*m_window, m_pump, Platform::SystemClock(), m_settings);
    m_window->Attach(m_logic.get());
  }
  void TearDown() override {
    m_window->Attach(nullptr);
    m_logic.reset();
    m_window->Destroy();
    RunPendingEvents();
  }

  wxTextCtrl* Box(int id) { return dynamic_cast<wxTextCtrl*>(m_window->FindWindow(id)); }
  wxString Label(int id) { return m_window->FindWindow(id)->GetLabel(); }

  std::string m_segmentName = "tavrion-gui-test-" + std::to_string(getpid());
  StationSettings m_settings;
  WxMessagePump m_pump;
  TavrionWindow* m_window = nullptr;
  std::unique_ptr<CTavrionDlg> m_logic;
};

TEST_F(WindowTest, ControlsStandWhereTheTemplatePutsThem) {
  const DialogTemplate& layout = MainDialogTemplate();
  EXPECT_EQ(m_window->GetFont().GetPointSize(), 8);
  EXPECT_EQ(m_window->GetClientSize(),
            m_window->ConvertDialogToPixels(wxSize(layout.clientWidth, layout.clientHeight)));
  const wxWindowList& children = m_window->GetChildren();
  ASSERT_EQ(children.size(), layout.controlCount);
  std::size_t index = 0;
  for (wxWindow* child : children) {
    const ControlTemplate& control = layout.controls[index++];
    SCOPED_TRACE(control.text);
    if (control.id != kNoControlId) {
      EXPECT_EQ(child->GetId(), control.id);
    }
    EXPECT_EQ(child->GetPosition(), m_window->ConvertDialogToPixels(wxPoint(
                                        control.x + layout.originX, control.y + layout.originY)));
    const wxSize size = m_window->ConvertDialogToPixels(wxSize(control.width, control.height));
    switch (control.kind) {
      case ControlKind::PushButton:
        EXPECT_NE(dynamic_cast<wxButton*>(child), nullptr);
        break;
      case ControlKind::Bitmap:
        EXPECT_NE(dynamic_cast<StatusBitmapControl*>(child), nullptr);
        break;
      case ControlKind::Label:
        EXPECT_NE(dynamic_cast<wxStaticText*>(child), nullptr);
        break;
      case ControlKind::Edit:
        EXPECT_NE(dynamic_cast<wxTextCtrl*>(child), nullptr);
        break;
      case ControlKind::Slider:
        EXPECT_NE(dynamic_cast<wxSlider*>(child), nullptr);
        break;
      case ControlKind::CheckBox:
        EXPECT_NE(dynamic_cast<wxCheckBox*>(child), nullptr);
        break;
      case ControlKind::GroupBox:
        EXPECT_NE(dynamic_cast<wxStaticBox*>(child), nullptr);
        break;
      case ControlKind::SpinButtons:
        EXPECT_NE(dynamic_cast<SpinArrows*>(child), nullptr);
        break;
    }
    if (control.kind == ControlKind::Bitmap) {
      EXPECT_EQ(child->GetSize(), wxSize(17 + 2, 14 + 2));  // the bitmap in its frame
    } else {
      EXPECT_EQ(child->GetSize(), size);
    }
    if (control.kind != ControlKind::Edit && control.text[0] != '\0') {
      EXPECT_EQ(child->GetLabel(), ToWx(control.text));
    }
    EXPECT_EQ(child->IsShown(), !control.hidden);
    EXPECT_EQ(child->IsEnabled(), !control.disabled);
  }
}

TEST_F(WindowTest, PushWritesEveryBindingWithoutRunningTheHandlers) {
  const int portBefore = m_logic->GetStation().GetPort();
  DialogValues values = {"17", {192, 168, 1, 20}, "12.5", "250.0", "  800", "EGLL", 7005, "Saved"};
  m_window->PushValues(values);
  RunPendingEvents();
  EXPECT_EQ(Label(IDC_FRAME), "17");
  EXPECT_EQ(Box(IDC_IP1)->GetValue(), "192");
  EXPECT_EQ(Box(IDC_IP4)->GetValue(), "20");
  EXPECT_EQ(Label(IDC_DATUM), "12.5");
  EXPECT_EQ(Label(IDC_ALTITUDE), "250.0");
  EXPECT_EQ(Label(IDC_MAP_ALTITUDE), "  800");
  EXPECT_EQ(Label(IDC_AIRPORT), "EGLL");
  EXPECT_EQ(Box(IDC_PORT)->GetValue(), "7005");
  EXPECT_EQ(Label(IDC_MESSAGE), "Saved");
  EXPECT_EQ(m_logic->GetStation().GetDestinationAddress(), 0u)
      << "the address handler ran during a push";
  EXPECT_EQ(m_logic->GetStation().GetPort(), portBefore) << "the port handler ran during a push";

  DialogValues taken = {};
  ASSERT_TRUE(m_window->TakeValues(taken));
  EXPECT_STREQ(taken.frameText, "17");
  EXPECT_EQ(taken.ipOctets[1], 168);
  EXPECT_STREQ(taken.mapAltitudeText, "  800");
  EXPECT_EQ(taken.portValue, 7005);
}

TEST_F(WindowTest, AnEditedBoxReachesItsHandlerOnce) {
  DialogValues values = {"", {192, 168, 1, 20}, "", "", "", "", 7000, ""};
  m_window->PushValues(values);
  // Typing over a selection changes the text twice (cleared, then typed):
  // the handler sees only the result, without a prompt for the empty box.
  MessageBoxRecorder prompts;
  Box(IDC_IP1)->SetValue("");
  Box(IDC_IP1)->SetValue("10");
  Box(IDC_PORT)->SetValue("7010");
  RunPendingEvents();
  EXPECT_EQ(prompts.shown, 0);
  const std::uint32_t address = m_logic->GetStation().GetDestinationAddress();
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&address);
  EXPECT_EQ(bytes[0], 10);
  EXPECT_EQ(bytes[3], 20);
  EXPECT_EQ(m_logic->GetStation().GetPort(), 7010);
}

TEST_F(WindowTest, TakeStopsAtABoxWithoutAnIntegerAfterPromptingForOne) {
  Box(IDC_IP1)->ChangeValue(" 300 ");
  Box(IDC_IP2)->ChangeValue("x7");
  Box(IDC_IP3)->ChangeValue("3");
  Box(IDC_PORT)->ChangeValue("7001");
  DialogValues values = {"", {1, 2, 9, 4}, "", "", "", "", 9, ""};
  MessageBoxRecorder prompts;
  EXPECT_FALSE(m_window->TakeValues(values));
  EXPECT_EQ(prompts.shown, 1);
  EXPECT_EQ(prompts.message, "Please enter an integer.");
  EXPECT_EQ(prompts.style & wxICON_MASK, wxICON_EXCLAMATION);
  EXPECT_EQ(values.ipOctets[0], 300);  // taken before the faulty box
  EXPECT_EQ(values.ipOctets[1], 2);    // the faulty box and those after it keep theirs
  EXPECT_EQ(values.ipOctets[2], 9);
  EXPECT_EQ(values.portValue, 9);
}

TEST_F(WindowTest, MessageBoxesShowTheTextAndCaptionAsGiven) {
  MessageBoxRecorder boxes;
  m_window->ShowMessageBox("Unable to acquire host IP address\nSorry\nPlease check ",
                           "CTavrionDlg::DisplayInitialIp", kMessageBoxOk);
  EXPECT_EQ(boxes.message, "Unable to acquire host IP address\nSorry\nPlease check ");
  EXPECT_EQ(boxes.caption, "CTavrionDlg::DisplayInitialIp");
  EXPECT_EQ(boxes.style & wxICON_MASK, wxICON_NONE);
  m_window->ShowMessageBox("InputFileClass::OpenInputFile\nNo such file",
                           "InitialiseAirportDataBase", kMessageBoxExclamation);
  EXPECT_EQ(boxes.caption, "InitialiseAirportDataBase");
  EXPECT_EQ(boxes.style & wxICON_MASK, wxICON_EXCLAMATION);
  EXPECT_EQ(boxes.shown, 2);
}

// A station steered through its control socket shows what a command did as
// if the operator had done it at the window.
TEST_F(WindowTest, AControlCommandShowsInTheWindowAsTheOperatorsOwnWould) {
  TempDir folder;
  folder.Write("Offsets.dat", ";\n\nEGLL|   12.0| London Heathrow\n");
  const std::string folderText = folder.Path().string();
  m_settings.workingFolder = folderText.c_str();
  CVisShm simulator(m_segmentName.c_str());
  m_window->Attach(nullptr);
  m_logic = std::make_unique<CTavrionDlg>(*m_window, m_pump, Platform::SystemClock(), m_settings);
  m_window->Attach(m_logic.get());
  m_logic->OnInitDialog();
  Station& station = m_logic->GetStation();
  ControlServer server(station, Platform::SystemClock());
  char error[ControlServer::kErrorSize];
  ASSERT_TRUE(server.Open(folder.File("control").c_str(), error, sizeof error)) << error;
  bool nobody = false;
  const int client =
      Platform::ConnectLocal(folder.File("control").c_str(), &nobody, error, sizeof error);
  ASSERT_GE(client, 0) << error;
  // One command, answered; then the send that shows what it became.
  auto command = [&](const std::string& line) {
    const std::string sent = line + "\n";
    Platform::WriteSome(client, sent.data(), static_cast<long>(sent.size()));
    std::string reply;
    char buffer[4096];
    for (int pass = 0; pass < 100 && reply.find('\n') == std::string::npos; ++pass) {
      server.Serve();
      const long got = Platform::ReadSome(client, buffer, sizeof buffer);
      if (got > 0) reply.append(buffer, static_cast<std::size_t>(got));
    }
    station.SendViewSync();
    RunPendingEvents();
    return reply;
  };
  station.SendViewSync();  // the simulator reports EGLL
  EXPECT_EQ(command("trim up"), "{\"ok\":true,\"airport\":\"EGLL\",\"offset\":12.50}\n");
  EXPECT_EQ(Label(IDC_DATUM), "12.5");
  command("view map");
  EXPECT_TRUE(dynamic_cast<wxCheckBox*>(m_window->FindWindow(IDC_MAP_VIEW))->IsChecked());
  EXPECT_FALSE(dynamic_cast<wxCheckBox*>(m_window->FindWindow(IDC_FORWARD_VIEW))->IsChecked());
  command("map-altitude 2500");
  EXPECT_EQ(Label(IDC_MAP_ALTITUDE), " 2500");
  command("slew on");
  EXPECT_TRUE(dynamic_cast<wxCheckBox*>(m_window->FindWindow(IDC_SLEW))->IsChecked());
  command("save");
  EXPECT_EQ(Label(IDC_MESSAGE).rfind("Offsets saved: 1 airport in ", 0), 0u) << Label(IDC_MESSAGE);
  Platform::CloseDescriptor(client);
  server.Close();
  m_logic->OnDestroy();
  Platform::RemoveSharedSegment(m_segmentName.c_str());
}

TEST_F(WindowTest, StatusControlShowsTheBitmapItIsGiven) {
  auto* status = dynamic_cast<StatusBitmapControl*>(m_window->FindWindow(IDC_STATUS));
  ASSERT_NE(status, nullptr);
  const auto colour = [status] {
    const wxImage image = status->GetBitmap().ConvertToImage();
    return wxColour(image.GetRed(8, 7), image.GetGreen(8, 7), image.GetBlue(8, 7));
  };
  EXPECT_EQ(colour(), wxColour(0xA0, 0xA0, 0xA0));  // the template's own, grey
  m_window->ShowStatusBitmap(IDB_GREEN);
  EXPECT_EQ(colour(), wxColour(0x00, 0xC0, 0x00));
  m_window->ShowStatusBitmap(IDB_ORANGE);
  EXPECT_EQ(colour(), wxColour(0xFF, 0x80, 0x00));
  m_window->ShowStatusBitmap(4711);  // no such bitmap: the shown one stays
  EXPECT_EQ(colour(), wxColour(0xFF, 0x80, 0x00));
  for (int id : {IDB_GREY, IDB_ORANGE, IDB_GREEN, IDB_RED}) {
    const wxBitmap bitmap = LoadStatusBitmap(id);
    EXPECT_EQ(bitmap.GetSize(), wxSize(17, 14)) << id;
  }
  EXPECT_EQ(LoadAppIcon().GetWidth(), 32);
}

TEST_F(WindowTest, PumpHandsOverOneWaitingEventAtATime) {
  wxGUIEventLoop loop;
  wxEventLoopActivator active(&loop);
  for (int pass = 0; pass < 10000 && m_pump.DispatchOne(); ++pass) {
  }
  EXPECT_FALSE(m_pump.DispatchOne());
  int calls = 0;
  m_window->CallAfter([&calls] { ++calls; });
  bool dispatched = false;
  for (int pass = 0; pass < 10000 && calls == 0; ++pass) {
    dispatched = m_pump.DispatchOne() || dispatched;
  }
  EXPECT_TRUE(dispatched);
  EXPECT_EQ(calls, 1);
}

// The frame loop's way between frames: dispatch what waits, else sleep in
// the pump. Returns how many sleeps ran their whole time, which none may do
// while the awaited event is on its way.
int PumpUntil(WxMessagePump& pump, const std::function<bool()>& done) {
  constexpr std::int64_t kLongSleep = 20LL * 1000 * 1000 * 1000;
  int sleepsRunOut = 0;
  for (int pass = 0; pass < 100000 && !done() && sleepsRunOut == 0; ++pass) {
    if (!pump.DispatchOne() && !pump.WaitForMessage(kLongSleep)) {
      ++sleepsRunOut;
    }
  }
  return sleepsRunOut;
}

// Runs what the toolkit still has queued until a short sleep of the pump
// runs out; false when none ever does (the pump would never let a loop sleep).
bool Drain(WxMessagePump& pump) {
  constexpr std::int64_t kShortSleep = 10LL * 1000 * 1000;
  for (int pass = 0; pass < 1000; ++pass) {
    if (!pump.DispatchOne() && !pump.WaitForMessage(kShortSleep)) {
      return true;
    }
  }
  return false;
}

TEST_F(WindowTest, PumpSleepRunsOutWhenNothingArrives) {
  wxGUIEventLoop loop;
  wxEventLoopActivator active(&loop);
  // The window's own start-up work wakes the first sleeps; then they run out
  // instead of ending at once time after time.
  m_window->Show();
  EXPECT_TRUE(Drain(m_pump));
  m_window->Hide();
}

TEST_F(WindowTest, PumpSleepEndsForAnEventQueuedFromAnotherThread) {
  wxGUIEventLoop loop;
  wxEventLoopActivator active(&loop);
  ASSERT_TRUE(Drain(m_pump));
  std::atomic<bool> called{false};
  std::thread poster([&] {
    // Most likely while the pump sleeps; any moment must do.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    m_window->CallAfter([&called] { called = true; });
  });
  const int sleepsRunOut = PumpUntil(m_pump, [&] { return called.load(); });
  poster.join();
  EXPECT_EQ(sleepsRunOut, 0);
  EXPECT_TRUE(called);
}

TEST_F(WindowTest, PumpSleepEndsForAClickOnTheDisplay) {
  wxGUIEventLoop loop;
  wxEventLoopActivator active(&loop);
  XSession* x = ToolkitEnvironment::Session();
  ASSERT_NE(x, nullptr);
  auto* frame =
      new wxFrame(nullptr, wxID_ANY, "pump click target", wxPoint(0, 0), wxSize(200, 120));
  auto* button = new wxButton(frame, wxID_ANY, "Press");
  bool clicked = false;
  button->Bind(wxEVT_BUTTON, [&clicked](wxCommandEvent&) { clicked = true; });
  frame->Show();
  // Until the display shows the window and the button fills it: a click
  // before the frame has its size would miss the button.
  XWindowId window = 0;
  for (int pass = 0; pass < 200 && (window == 0 || button->GetSize() != frame->GetClientSize());
       ++pass) {
    while (m_pump.DispatchOne()) {
    }
    window = x->WaitForWindow("pump click target", std::chrono::milliseconds(20));
  }
  ASSERT_NE(window, 0u);
  ASSERT_EQ(button->GetSize(), frame->GetClientSize());
  ASSERT_TRUE(Drain(m_pump));
  const wxRect area = button->GetScreenRect();
  std::atomic<bool> sent{false};
  std::thread presser([&] { sent = x->Click(area.x + area.width / 2, area.y + area.height / 2); });
  const int sleepsRunOut = PumpUntil(m_pump, [&] { return clicked; });
  presser.join();
  EXPECT_TRUE(sent);
  EXPECT_EQ(sleepsRunOut, 0);
  EXPECT_TRUE(clicked);
  frame->Destroy();
  RunPendingEvents();
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment);
  return RUN_ALL_TESTS();
}
