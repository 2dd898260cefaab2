// The list-box control of the dialog toolkit, as the picture engine fills it and the selection
// dialog reads it: entries with text, item data (a 32-bit number per entry) and selection.
#pragma once

#include <cstdint>
#include <string>

namespace zormint::platform {

class ListBox {
 public:
  virtual ~ListBox() = default;
  virtual void Clear() = 0;
  virtual void AddItem(const std::string& text) = 0;  // appends at the end
  virtual int32_t ListCount() = 0;
  virtual int32_t NewIndex() = 0;  // index (0-based) of the entry appended last
  virtual std::string ItemText(int32_t index) = 0;
  virtual void SetItemData(int32_t index, int32_t data) = 0;
  virtual int32_t ItemData(int32_t index) = 0;
  virtual void SetSelected(int32_t index, bool selected) = 0;
  virtual bool Selected(int32_t index) = 0;
};

}  // namespace zormint::platform
