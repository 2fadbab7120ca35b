#pragma once
// The application object: it runs the station's main dialog modally and ends
// the program when the dialog has closed, without a message loop of its own.

#include <wx/app.h>

class CTavrionApp : public wxApp {
 public:
  bool OnInit() override;
  int OnRun() override;
};

wxDECLARE_APP(CTavrionApp);
