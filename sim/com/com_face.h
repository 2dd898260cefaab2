// The simulated Outlook as COM sees it: IDispatch objects over the counted host proxies that
// sim::Outlook hands out, so that the fault plan, the call record and the reference counts of
// the portable model keep working when an add-in talks to it through COM.
//
// Every object answers QueryInterface for Outlook's published interface numbers, and IDispatch
// through the type library built from outlook_sim.idl (GetIDsOfNames answers the published
// member names, case-insensitively, with the published dispatch ids). Event sources are
// connection-point containers for the published event interfaces.
//
// Failures of the model (ZError) reach a caller as follows:
//   - through the vtable, the method returns the failure's HRESULT and sets IErrorInfo;
//   - through IDispatch::Invoke, as Automation reports a failing method: Invoke returns
//     DISP_E_EXCEPTION with the HRESULT in EXCEPINFO.scode (an injected DISP_E_EXCEPTION
//     arrives with scode DISP_E_EXCEPTION), except the failures of the call itself (RPC_E_*:
//     a call rejected by a busy host, a disconnected object), which Invoke returns as they are.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"
#include "sim/model/outlook_sim.h"
#include "win32/com/com_ref.h"

namespace zormint::sim::com {

// A new Application object over `application`, or none when there is no application.
win32::ComRef<IDispatch> NewApplicationObject(std::shared_ptr<host::Application> application);

// The AddInInst argument of OnConnection: the host's description of the add-in it connects.
win32::ComRef<IDispatch> NewAddInInstance(const std::wstring& progId,
                                          const std::wstring& description);

// The layout of a face's pixels for GDI: 32 bits each, 0x00RRGGBB, the top row first.
inline BITMAPINFO TopDownPixels(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// A button face that was handed over as a bitmap: besides its size and depth, the host keeps a
// copy of its pixels (the picture object may go away), so that a window can draw the button.
class BitmapFace final : public SimPicture {
 public:
  BitmapFace(int32_t width, int32_t height, int32_t bitsPerPixel, std::vector<uint32_t> pixels)
      : SimPicture(width, height, bitsPerPixel), pixels(std::move(pixels)) {}
  std::vector<uint32_t> pixels;  // width * height of 0x00RRGGBB, the top row first
};

}  // namespace zormint::sim::com
