// tqconverter: the main dialog until the user closes it. The program has no command line of
// its own; QApplication takes only the toolkit's options.
#include <QApplication>

#include "gui/converter_dialog.h"
#include "platform/stop_request.h"

namespace {

class CTQConverterApp {
 public:
  CTQConverterApp(int& argc, char** argv) : m_app(argc, argv) {}

  int Run() {
    InitInstance();
    return ExitInstance();
  }

 private:
  // Runs the main dialog modally; false: the program ends when it returns, with no message
  // loop of its own.
  bool InitInstance() {
    CTQConverterDlg dialog;
    dialog.exec();
    return false;  // the dialog's destructor has removed what a conversion left
  }

  // Nothing was initialised beyond the toolkit, which ends with the application object. A dialog
  // closed by SIGINT or SIGTERM during a conversion ends with 130 or 143, as an idle one does.
  int ExitInstance() { return platform::StopSignal() != 0 ? platform::StopExitStatus() : 0; }

  QApplication m_app;
};

}  // namespace

int main(int argc, char** argv) {
  platform::InstallStopHandlers();
  CTQConverterApp app(argc, argv);
  return app.Run();
}
