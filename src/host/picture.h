// The one host object the platform services hand out: a picture for a button or a ribbon
// control. Kept apart from the rest of the host interface so that the platform's interfaces need
// only this.
#pragma once

namespace zormint::host {

// A picture object (the platform's IPictureDisp) handed to a button's Picture property.
class Picture {
 public:
  virtual ~Picture() = default;
};

}  // namespace zormint::host
