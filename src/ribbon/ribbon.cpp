#include "ribbon/ribbon.h"

#include <cstdlib>
#include <utility>

#include "commands/picture_commands.h"
#include "common/trace.h"
#include "pictures/pic_attachments.h"
#include "resources/resources.h"
#include "windows/acted_item.h"

namespace zormint {

namespace {

const commands::StepNames kActionSteps = {"CRibbon.OnAction: ExtractAllNShow",
                                          "CRibbon.OnAction: frmOptions",
                                          "CRibbon.OnAction: BringToFront",
                                          "CRibbon.OnAction: Populate",
                                          "CRibbon.OnAction: Show",
                                          "CRibbon.OnAction: DoEvents",
                                          "CRibbon.OnAction: ExtractSelectedNShow"};

// The window whose ribbon was clicked, asked apart: without it the dialog just has no owner.
const char* const kWindowStep = "CRibbon.OnAction: window";

}  // namespace

void CRibbon::Initialize(const std::shared_ptr<host::Application>& olApp) noexcept {
  Attempt("CRibbon.Initialize: Application.Version", [&] {
    const std::string version = Require(olApp, "Application")->Version();
    mlOutlookVersion = static_cast<int32_t>(std::strtol(version.c_str(), nullptr, 10));
  });
}

void CRibbon::Cleanup() noexcept {
  mbCleanedUp = true;
  // Emptied before anything is released: a release that lets Office call back finds nothing.
  std::map<std::string, std::shared_ptr<host::RibbonUI>> ribbons = std::move(mcolRibbonUIs);
  mcolRibbonUIs.clear();
  mcolAnswers.clear();
  mpicZormint.reset();
  mpicOptions.reset();
  ribbons.clear();
}

int32_t CRibbon::CustomUIResource(const std::string& ribbonId) const noexcept {
  // Outlook 2007 draws only its message windows with the ribbon, in the 2006 schema; an
  // unknown version is taken as the newest.
  const bool outlook2007 = mlOutlookVersion == 12;
  if (ribbonId == ribbon::kExplorerRibbon && !outlook2007) return resources::kRibbonExplorerId;
  if (ribbonId == ribbon::kMailReadRibbon) {
    return outlook2007 ? resources::kRibbonRead2007Id : resources::kRibbonReadId;
  }
  return 0;
}

std::vector<std::string> CRibbon::ControlIds(const std::string& ribbonId) const {
  if (CustomUIResource(ribbonId) == 0) return {};
  if (ribbonId == ribbon::kMailReadRibbon && mlOutlookVersion == 12)
    return {std::begin(ribbon::kControlIds2007), std::end(ribbon::kControlIds2007)};
  return {std::begin(ribbon::kControlIds), std::end(ribbon::kControlIds)};
}

void CRibbon::Ribbon_OnLoad(const std::string& ribbonId,
                            std::shared_ptr<host::RibbonUI> ribbonUI) noexcept {
  if (mbCleanedUp || !ribbonUI) return;
  Attempt("CRibbon.OnLoad", [&] {
    std::shared_ptr<host::RibbonUI>& kept = mcolRibbonUIs[ribbonId];
    // The ribbon it replaces is released after the new one is in place.
    std::shared_ptr<host::RibbonUI> replaced = std::exchange(kept, std::move(ribbonUI));
  });
}

std::shared_ptr<host::Item> CRibbon::ItemOf(const std::shared_ptr<host::RibbonControl>& control,
                                            const char* step, host::WindowHandle* window) noexcept {
  std::shared_ptr<host::Item> item;
  Attempt(step, [&] {
    std::shared_ptr<host::RibbonContext> context = Require(control, "RibbonControl")->Context();
    if (!context) return;
    switch (context->Class()) {
      case host::kOlExplorer: {
        std::shared_ptr<host::Explorer> explorer = context->AsExplorer();
        item = windows::ExplorerItem(explorer);
        if (item && window) Attempt(kWindowStep, [&] { *window = explorer->Window(); });
        break;
      }
      case host::kOlInspector: {
        std::shared_ptr<host::Inspector> inspector = context->AsInspector();
        item = windows::InspectorItem(inspector);
        if (item && window) Attempt(kWindowStep, [&] { *window = inspector->Window(); });
        break;
      }
      case host::kOlAttachmentSelection:
        item = windows::AttachmentsItem(context->AsAttachmentSelection());
        break;
      default:
        break;
    }
  });
  return item;
}

bool CRibbon::Ribbon_GetEnabled(const std::shared_ptr<host::RibbonControl>& control) noexcept {
  if (mbCleanedUp) return false;
  std::shared_ptr<host::Item> item = ItemOf(control, "CRibbon.GetEnabled: item");
  return item && HasPictures(item);
}

bool CRibbon::HasPictures(const std::shared_ptr<host::Item>& item) noexcept {
  // A message without an EntryID (never saved) is looked at each time.
  std::string entryId;
  Attempt("CRibbon.GetEnabled: EntryID", [&] { entryId = item->EntryID(); });
  if (!entryId.empty()) {
    if (auto kept = mcolAnswers.find(entryId); kept != mcolAnswers.end()) return kept->second;
  }
  bool present = false;
  // A window's toolbar may have looked at this very message for the same change.
  if (std::shared_ptr<host::Item> looked = g_.gLastPictureLook.item.lock()) {
    if (looked->IsSameObject(*item)) {
      present = g_.gLastPictureLook.present;
      if (!entryId.empty()) mcolAnswers[entryId] = present;
      return present;
    }
  }
  const uint64_t skipped = trace::SkippedCount();
  const bool asked = Attempt("CRibbon.GetEnabled: pictures", [&] {
    present = Require(gclsPicAttachments(g_), "gclsPicAttachments")->AtLeastOnePresent(item);
  });
  // Only a whole answer is kept: after a failing call the next question looks again.
  if (asked && !entryId.empty() && trace::SkippedCount() == skipped && !mbCleanedUp)
    mcolAnswers[entryId] = present;
  return present;
}

void CRibbon::Ribbon_OnAction(const std::shared_ptr<host::RibbonControl>& control) noexcept {
  if (mbCleanedUp) return;
  std::string tag;
  if (!Attempt("CRibbon.OnAction: Tag", [&] { tag = Require(control, "RibbonControl")->Tag(); }))
    return;
  // The options' dialog is owned by the window whose ribbon was clicked.
  const bool options = tag == ribbon::kOptionsTag;
  host::WindowHandle window = 0;
  std::shared_ptr<host::Item> item =
      ItemOf(control, "CRibbon.OnAction: item", options ? &window : nullptr);
  if (!item) return;
  // Each click saves into the working folder of its message for this second.
  std::string suffix;
  Attempt("CRibbon.OnAction: time stamp", [&] { suffix = commands::TimeStamp(g_, item); });
  if (options) {
    commands::ChooseAndShowPictures(
        g_, std::move(item), suffix, window, [this] { return mbCleanedUp; }, kActionSteps);
  } else if (tag == ribbon::kZormintTag) {
    commands::ShowAllPictures(g_, std::move(item), suffix, kActionSteps);
  }
}

std::shared_ptr<host::Picture> CRibbon::Ribbon_GetImage(
    const std::shared_ptr<host::RibbonControl>& control) noexcept {
  std::shared_ptr<host::Picture> picture;
  Attempt("CRibbon.GetImage", [&] {
    const std::string tag = Require(control, "RibbonControl")->Tag();
    const bool options = tag == ribbon::kOptionsTag;
    std::shared_ptr<host::Picture>& kept = options ? mpicOptions : mpicZormint;
    if (!kept) {
      const int32_t id =
          options ? resources::kRibbonOptionsPictureId : resources::kRibbonZormintPictureId;
      std::shared_ptr<host::Picture> loaded =
          Require(g_.services.resources, "Resources")->LoadAlphaPicture(id);
      if (mbCleanedUp) {
        picture = std::move(loaded);
        return;
      }
      kept = std::move(loaded);
    }
    picture = kept;
  });
  return picture;
}

void CRibbon::WindowStateChanged(windows::WindowKind kind) noexcept {
  if (mbCleanedUp) return;
  mcolAnswers.clear();
  Invalidate(kind == windows::WindowKind::kExplorer ? ribbon::kExplorerRibbon
                                                    : ribbon::kMailReadRibbon);
}

void CRibbon::Invalidate(const std::string& ribbonId) noexcept {
  if (mbCleanedUp) return;
  auto found = mcolRibbonUIs.find(ribbonId);
  if (found == mcolRibbonUIs.end()) return;
  // Held for the calls: a re-entrant disconnection may release the member meanwhile.
  std::shared_ptr<host::RibbonUI> ui = found->second;
  for (const std::string& id : ControlIds(ribbonId)) {
    if (mbCleanedUp) return;
    Attempt("CRibbon.Invalidate: InvalidateControl", [&] { ui->InvalidateControl(id); });
  }
}

}  // namespace zormint
