// CPicAttachments: the picture engine. Which attachments are pictures, the dialog's picture
// list, the temporary working folders, saving attachments and starting the viewer.
#pragma once

#include <memory>
#include <string>

#include "context/globals.h"
#include "host/host.h"
#include "pictures/picture_names.h"
#include "platform/list_box.h"

namespace zormint {

class CPicAttachments {
 public:
  explicit CPicAttachments(Globals& globals) : g_(globals) {}

  // Finds the temporary root (msTempRoot). Never fails.
  void Initialize() noexcept;
  // Does nothing: the working folders of this run stay until the next connection.
  void Cleanup() noexcept;
  // True when at least one attachment of the item is a picture. Never fails.
  bool AtLeastOnePresent(const std::shared_ptr<host::Item>& mlGeneric) noexcept;
  // Fills the list with the item's picture attachments, each selected, item data = position.
  void Populate(const std::shared_ptr<host::Item>& mlGeneric,
                const std::shared_ptr<platform::ListBox>& lstGeneric) noexcept;
  // Deletes the working folders that earlier runs left under the temporary root.
  void DeletePrevFolders() noexcept;
  // Saves every picture attachment into the working folder named by the suffix and opens the
  // first in the viewer.
  void ExtractAllNShow(const std::shared_ptr<host::Item>& mlGeneric,
                       const std::string& sWorkingFolderSuffix) noexcept;
  // The same for the attachments named by a selected-attachment index list ("2,3").
  void ExtractSelectedNShow(const std::shared_ptr<host::Item>& mlGeneric,
                            const std::string& sSelAttachmentIndexes,
                            const std::string& sWorkingFolderSuffix) noexcept;

  const std::string& TempRoot() const { return msTempRoot; }

 private:
  void ShowInViewer(const std::string& picturePath, const std::string& workingFolder);
  std::string GetTempRoot();

  // Empties the working folder of files, or creates it. False when the path is a link that
  // could not be removed, or cannot be checked (nothing may then be saved there).
  bool PrepareWorkingFolder(const std::string& workingFolder) noexcept;
  // Saves the attachment at `position` into the working folder when it is a picture, and
  // remembers the first picture met.
  void SavePicture(const std::shared_ptr<host::Attachments>& attachments, int32_t position,
                   const std::string& workingFolder, std::string& firstPicture) noexcept;

  Globals& g_;
  std::string msTempRoot;  // the temporary root followed by "\", or empty
};

}  // namespace zormint
