// tqconverter.exe: the main dialog until the user closes it. The program has no command line of
// its own.
#include "win32/windows_api.h"

#include <commctrl.h>

#include "platform/stop_request.h"
#include "win32/converter_dialog.h"

namespace {

class CTQConverterApp {
 public:
  int Run() {
    InitInstance();
    return ExitInstance();
  }

 private:
  // Runs the main dialog modally; false: the program ends when it returns, with no message loop
  // of its own.
  bool InitInstance() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    CTQConverterDlg dialog;
    dialog.DoModal(nullptr);
    return false;  // the dialog's destructor removes what a conversion left
  }

  // A dialog closed by a stop request during a conversion ends with its status, as an idle one.
  int ExitInstance() { return platform::StopSignal() != 0 ? platform::StopExitStatus() : 0; }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  platform::InstallStopHandlers();
  CTQConverterApp app;
  return app.Run();
}
