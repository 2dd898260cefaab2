// What a toolbar needs of the window tracker that owns it (CZormint implements it): being told
// that the toolbar with a given index is gone. Kept here so that the toolbars do not depend on
// the add-in layer above them.
#pragma once

#include <cstdint>

namespace zormint::toolbars {

class ToolbarTracker {
 public:
  virtual ~ToolbarTracker() = default;
  // Drop the toolbar filed under this index. Never fails.
  virtual void RemoveExplorerToolbar(int32_t lIndex) noexcept = 0;
  virtual void RemoveInspectorToolbar(int32_t lIndex) noexcept = 0;
};

}  // namespace zormint::toolbars
