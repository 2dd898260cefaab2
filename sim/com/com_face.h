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

namespace zormint::sim::com {

// The HRESULT a ZError code stands for: HRESULTs stay as they are; the run-time error numbers
// of the model become the HRESULTs that Automation maps to them (9 DISP_E_BADINDEX,
// 13 DISP_E_TYPEMISMATCH ...), others the FACILITY_CONTROL form a VB-style host uses.
HRESULT HresultOf(int32_t code) noexcept;

// Whether a failure belongs to the call itself rather than to the member called.
bool IsCallFailure(HRESULT hr) noexcept;

// The type library of the simulated object model, embedded in the running program (resource
// TYPELIB 1 of the module this code is linked into). The caller owns the reference.
HRESULT LoadSimTypeLibrary(ITypeLib** library) noexcept;

// A new Application object over `application` (one reference, which the caller owns), or
// nullptr when there is no application to wrap.
IDispatch* NewApplicationObject(std::shared_ptr<host::Application> application);

// A button face that was handed over as a bitmap: besides its size and depth, the host keeps a
// copy of its pixels (the picture object may go away), so that a window can draw the button.
class BitmapFace final : public SimPicture {
 public:
  BitmapFace(int32_t width, int32_t height, int32_t bitsPerPixel, std::vector<uint32_t> pixels)
      : SimPicture(width, height, bitsPerPixel), pixels(std::move(pixels)) {}
  std::vector<uint32_t> pixels;  // width * height of 0x00RRGGBB, the top row first
};

}  // namespace zormint::sim::com
