// tqconverter_screenshots.exe FOLDER: pictures of the dialogs as the user sees them, in the
// language of the user's location: the main dialog idle and with a path, a refusal, and the
// result dialog, as windows-NAME-en.png or windows-NAME-ja.png in FOLDER. Each window is taken
// from the screen, frame and caption included, and written through the system's PNG encoder.
#include "win32/windows_api.h"

#include <commctrl.h>
#include <wincodec.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/message_catalog.h"
#include "win32/converter_dialog.h"
#include "win32/dropped_files.h"
#include "win32/resource_ids.h"
#include "win32/result_dialog.h"
#include "win32/wide_text.h"

namespace {

const std::wstring kProject = L"C:\\Users\\engineer\\Projects\\line 2\\plant.lqt";
const std::wstring kNotes = L"C:\\Users\\engineer\\Projects\\line 2\\notes.txt";

// One COM pointer, released by scope.
template <typename Interface>
class ComPointer {
 public:
  ComPointer() = default;
  ~ComPointer() {
    if (pointer_) pointer_->Release();
  }
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;
  Interface* operator->() const { return pointer_; }
  Interface** out() { return &pointer_; }
  Interface* get() const { return pointer_; }

 private:
  Interface* pointer_ = nullptr;
};

// The pixels of the window's rectangle on the screen, top row first, 3 bytes (B, G, R) each.
std::vector<BYTE> ScreenPixels(HWND window, UINT& width, UINT& height) {
  RECT frame = {};
  ::GetWindowRect(window, &frame);
  width = static_cast<UINT>(frame.right - frame.left);
  height = static_cast<UINT>(frame.bottom - frame.top);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  const HDC screen = ::GetDC(nullptr);
  const HDC memory = ::CreateCompatibleDC(screen);
  void* bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ previous = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, static_cast<int>(width), static_cast<int>(height), screen, frame.left, frame.top,
           SRCCOPY | CAPTUREBLT);
  ::GdiFlush();
  const std::size_t stride = (width * 3 + 3) & ~std::size_t(3);
  std::vector<BYTE> pixels(static_cast<const BYTE*>(bits), static_cast<const BYTE*>(bits) + stride * height);
  ::SelectObject(memory, previous);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return pixels;
}

bool SavePicture(HWND window, const std::wstring& file) {
  // The caption as the user sees it while working in the window: active, even where the
  // virtual desktop keeps the activation for itself.
  ::SetForegroundWindow(window);
  ::SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
  // Whatever was waiting to be painted is on the screen first: the system hands what a window
  // painted to the display when its thread next looks for messages.
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  ::GdiFlush();
  for (int round = 0; round < 10; ++round) {
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    ::Sleep(30);
  }
  UINT width = 0;
  UINT height = 0;
  std::vector<BYTE> pixels = ScreenPixels(window, width, height);
  const UINT stride = (width * 3 + 3) & ~3u;

  ComPointer<IWICImagingFactory> factory;
  ComPointer<IWICStream> stream;
  ComPointer<IWICBitmapEncoder> encoder;
  ComPointer<IWICBitmapFrameEncode> frame;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  const bool written =
      SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(factory.out()))) &&
      SUCCEEDED(factory->CreateStream(stream.out())) &&
      SUCCEEDED(stream->InitializeFromFilename(file.c_str(), GENERIC_WRITE)) &&
      SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out())) &&
      SUCCEEDED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) &&
      SUCCEEDED(encoder->CreateNewFrame(frame.out(), nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
      SUCCEEDED(frame->SetSize(width, height)) && SUCCEEDED(frame->SetPixelFormat(&format)) &&
      IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
      SUCCEEDED(frame->WritePixels(height, stride, stride * height, pixels.data())) &&
      SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
  std::fwprintf(written ? stdout : stderr, L"%ls %ls\n", written ? L"wrote" : L"cannot write", file.c_str());
  return written;
}

// While in scope, takes the picture of the next dialog window of this thread other than the
// main one (a message box, the result dialog) once its modal loop runs, then closes it.
class NextModalWindowPicture {
 public:
  NextModalWindowPicture(HWND mainWindow, std::wstring file) : mainWindow_(mainWindow), file_(std::move(file)) {
    active = this;
    timer_ = ::SetTimer(nullptr, 0, 100, Tick);
  }
  ~NextModalWindowPicture() {
    ::KillTimer(nullptr, timer_);
    active = nullptr;
  }
  NextModalWindowPicture(const NextModalWindowPicture&) = delete;
  NextModalWindowPicture& operator=(const NextModalWindowPicture&) = delete;
  bool taken() const { return taken_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (active && !active->taken_) active->Look();
  }
  void Look() {
    HWND found = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM self) {
          auto* const picture = reinterpret_cast<NextModalWindowPicture*>(self);
          wchar_t name[16] = {};
          ::GetClassNameW(window, name, 16);
          if (window != picture->mainWindow_ && ::IsWindowVisible(window) && std::wstring(name) == L"#32770") {
            picture->found_ = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
    found = found_;
    if (!found) return;
    taken_ = SavePicture(found, file_);
    ::PostMessageW(found, WM_COMMAND, IDOK, 0);
  }

  static inline NextModalWindowPicture* active = nullptr;
  const HWND mainWindow_;
  const std::wstring file_;
  UINT_PTR timer_ = 0;
  HWND found_ = nullptr;
  bool taken_ = false;
};

void Settle() {
  MSG message;
  for (int round = 0; round < 20; ++round) {
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::Sleep(25);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fwprintf(stderr, L"usage: tqconverter_screenshots FOLDER\n");
    return 2;
  }
  const std::wstring folder = argv[1];
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  bool all = true;
  {
    CTQConverterDlg dialog;
    const HWND window = dialog.Create(nullptr);
    ::SetWindowPos(window, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE);
    const std::wstring suffix = CurrentLanguage() == "JP" ? L"-ja.png" : L"-en.png";
    const auto file = [&](const wchar_t* name) { return folder + L"\\windows-" + name + suffix; };
    Settle();
    all &= SavePicture(window, file(L"main-idle"));

    ::SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDropHandle({kProject})), 0);
    Settle();
    all &= SavePicture(window, file(L"main-path"));
    {
      const NextModalWindowPicture refusal(window, file(L"message"));
      ::SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDropHandle({kNotes})), 0);
      all &= refusal.taken();
    }
    {
      const NextModalWindowPicture result(window, file(L"result"));
      dialog.userInterface().ShowConversionResult("C:\\Users\\engineer\\Projects\\line 2\\plant_converted.lqt",
                                                  LookupMessage("MsgResult"));
      all &= result.taken();
    }
  }
  ::CoUninitialize();
  return all ? 0 : 1;
}
