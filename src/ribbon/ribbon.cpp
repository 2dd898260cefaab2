#include "ribbon/ribbon.h"

#include <cstdlib>
#include <utility>

#include "commands/picture_commands.h"
#include "pictures/pic_attachments.h"
#include "resources/resources.h"

namespace zormint {

namespace {

const commands::StepNames kActionSteps = {"CRibbon.OnAction: ExtractAllNShow",
                                          "CRibbon.OnAction: frmOptions",
                                          "CRibbon.OnAction: BringToFront",
                                          "CRibbon.OnAction: Populate",
                                          "CRibbon.OnAction: Show",
                                          "CRibbon.OnAction: DoEvents",
                                          "CRibbon.OnAction: ExtractSelectedNShow"};

bool IsMailOrPost(int32_t itemClass) {
  return itemClass == host::kOlMail || itemClass == host::kOlPost;
}

// The item an Explorer's controls act on: the one selected item of a mail or post folder, when
// it is a mail message or a post.
std::shared_ptr<host::Item> ExplorerItem(const std::shared_ptr<host::Explorer>& explorer) {
  const int32_t folderType = explorer->CurrentFolder()->DefaultItemType();
  if (folderType != host::kOlMailItem && folderType != host::kOlPostItem) return nullptr;
  std::shared_ptr<host::Selection> selection = explorer->Selection();
  if (selection->Count() != 1) return nullptr;
  std::shared_ptr<host::Item> item = selection->Item(1);
  return item && IsMailOrPost(item->Class()) ? item : nullptr;
}

// The item a message window's controls act on: the mail message it shows.
std::shared_ptr<host::Item> InspectorItem(const std::shared_ptr<host::Inspector>& inspector) {
  std::shared_ptr<host::Item> item = inspector->CurrentItem();
  return item && item->Class() == host::kOlMail ? item : nullptr;
}

// The item of the attachments a menu was opened on: the one the first of them belongs to.
std::shared_ptr<host::Item> AttachmentsItem(
    const std::shared_ptr<host::AttachmentSelection>& attachments) {
  if (attachments->Count() < 1) return nullptr;
  std::shared_ptr<host::Item> item = Require(attachments->Item(1), "Attachment")->Parent();
  return item && IsMailOrPost(item->Class()) ? item : nullptr;
}

}  // namespace

void CRibbon::Initialize(const std::shared_ptr<host::Application>& olApp) noexcept {
  Attempt("CRibbon.Initialize: Application.Version", [&] {
    const std::string version = Require(olApp, "Application")->Version();
    mlOutlookVersion = static_cast<int32_t>(std::strtol(version.c_str(), nullptr, 10));
  });
}

void CRibbon::Cleanup() noexcept {
  mbCleanedUp = true;
  moRibbonUI.reset();
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

void CRibbon::Ribbon_OnLoad(std::shared_ptr<host::RibbonUI> ribbonUI) noexcept {
  if (mbCleanedUp) return;
  moRibbonUI = std::move(ribbonUI);
}

std::shared_ptr<host::Item> CRibbon::ItemOf(const std::shared_ptr<host::RibbonControl>& control,
                                            const char* step) noexcept {
  std::shared_ptr<host::Item> item;
  Attempt(step, [&] {
    std::shared_ptr<host::RibbonContext> context = Require(control, "RibbonControl")->Context();
    if (!context) return;
    switch (context->Class()) {
      case host::kOlExplorer:
        item = ExplorerItem(Require(context->AsExplorer(), "Explorer"));
        break;
      case host::kOlInspector:
        item = InspectorItem(Require(context->AsInspector(), "Inspector"));
        break;
      case host::kOlAttachmentSelection:
        item = AttachmentsItem(Require(context->AsAttachmentSelection(), "AttachmentSelection"));
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
  if (!item) return false;
  bool present = false;
  Attempt("CRibbon.GetEnabled: pictures", [&] {
    present = Require(g_.gclsPicAttachments, "gclsPicAttachments")->AtLeastOnePresent(item);
  });
  return present;
}

void CRibbon::Ribbon_OnAction(const std::shared_ptr<host::RibbonControl>& control) noexcept {
  if (mbCleanedUp) return;
  std::string tag;
  if (!Attempt("CRibbon.OnAction: Tag", [&] { tag = Require(control, "RibbonControl")->Tag(); }))
    return;
  std::shared_ptr<host::Item> item = ItemOf(control, "CRibbon.OnAction: item");
  if (!item) return;
  // Each click saves into a working folder of its own time.
  std::string suffix;
  Attempt("CRibbon.OnAction: time stamp", [&] { suffix = commands::TimeStamp(g_); });
  if (tag == ribbon::kOptionsTag) {
    commands::ChooseAndShowPictures(
        g_, std::move(item), suffix, [this] { return mbCleanedUp; }, kActionSteps);
  } else if (tag == ribbon::kZormintTag) {
    commands::ShowAllPictures(g_, std::move(item), suffix, kActionSteps);
  }
}

std::shared_ptr<host::Picture> CRibbon::Ribbon_GetImage(
    const std::shared_ptr<host::RibbonControl>& control) noexcept {
  std::shared_ptr<host::Picture> picture;
  Attempt("CRibbon.GetImage", [&] {
    const std::string tag = Require(control, "RibbonControl")->Tag();
    const int32_t id = tag == ribbon::kOptionsTag ? resources::kRibbonOptionsPictureId
                                                  : resources::kRibbonZormintPictureId;
    picture = Require(g_.services.resources, "Resources")->LoadAlphaPicture(id);
  });
  return picture;
}

void CRibbon::Invalidate() noexcept {
  // Held for the calls: a re-entrant disconnection may release the member meanwhile.
  std::shared_ptr<host::RibbonUI> ui = moRibbonUI;
  if (!ui || mbCleanedUp) return;
  for (const char* id : ribbon::kControlIds) {
    Attempt("CRibbon.Invalidate: InvalidateControl", [&] { ui->InvalidateControl(id); });
  }
}

}  // namespace zormint
