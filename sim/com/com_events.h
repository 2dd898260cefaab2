// Events of the simulated Outlook's COM objects: the connection points an add-in advises its
// sinks on, and the host-side sinks that turn the model's events into calls of the COM sink's
// IDispatch::Invoke with the published dispatch ids (arguments in reverse order, Cancel and
// CancelDefault as by-reference VARIANT_BOOLs).
#pragma once

#include <ocidl.h>
#include <windows.h>

#include <memory>

#include "host/host.h"
#include "win32/com/com_ref.h"

namespace zormint::sim::com {

// Connects COM sinks to one object of the model, for one event interface.
class EventSource {
 public:
  virtual ~EventSource() = default;
  // Connects `sink` (which answers the event interface) and returns the connection's cookie.
  virtual host::Cookie Connect(IDispatch* sink) = 0;
  virtual void Disconnect(host::Cookie cookie) = 0;
};

// A host proxy that fires `Events`.
template <class Events>
using ProxyOf = std::shared_ptr<host::EventSource<Events>>;

// Connects COM sinks to the events of `source`, through a host-side sink that calls them.
template <class Events>
std::shared_ptr<EventSource> EventSourceOf(ProxyOf<Events> source);

// A connection point for the event interface `diid` of `container` (which it holds).
win32::ComRef<IConnectionPoint> NewConnectionPoint(IConnectionPointContainer* container,
                                                   REFIID diid,
                                                   std::shared_ptr<EventSource> source);

}  // namespace zormint::sim::com
