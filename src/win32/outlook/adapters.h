// The bridge from Outlook's COM objects to the host interface the add-in core is written
// against: every host:: object is an adapter over one IDispatch, calling its members by their
// published names, and every Advise connects a sink object over the object's connection point.
//
// Each adapter holds one reference to its COM object and releases it when the last holder of
// the adapter lets go; an object-valued call hands out a new adapter. Once the add-in has
// disconnected and dropped what it held, no adapter and no sink is left (LiveAdapterCount and
// LiveSinkCount tell, for tests and diagnostics).
#pragma once

#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <memory>

#include "host/host.h"

namespace zormint::win32 {

// Wraps Outlook's Application object, as OnConnection receives it, in host::Application; the
// adapter holds its own reference to `application`. Returns nullptr when there is nothing to
// wrap.
std::shared_ptr<host::Application> WrapApplication(IDispatch* application);

// Adapters over objects the events hand out (each holds its own reference; nullptr for null).
std::shared_ptr<host::Explorer> WrapExplorer(IDispatch* explorer);
std::shared_ptr<host::Inspector> WrapInspector(IDispatch* inspector);
std::shared_ptr<host::CommandBarButton> WrapCommandBarButton(IDispatch* button);
// Office's ribbon objects that the ribbon callbacks receive.
std::shared_ptr<host::RibbonControl> WrapRibbonControl(IDispatch* control);
std::shared_ptr<host::RibbonUI> WrapRibbonUI(IDispatch* ribbon);

// How many adapters (host:: objects over COM objects) and event sink objects exist now.
long LiveAdapterCount() noexcept;
long LiveSinkCount() noexcept;

}  // namespace zormint::win32
