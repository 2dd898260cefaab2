// Ids of the resources embedded in the library, and the address of the embedded banner page.
// The resource compiler includes this file too (zormint_resources.rc), so the numbers are
// macros there; C++ code uses the typed constants below.
#pragma once

#define ZORMINT_IDB_BUTTON_FACE 101   // BITMAP: the face of the options button
#define ZORMINT_IDR_BANNER_PAGE 102   // type 23 (HTML page): the embedded banner page
#define ZORMINT_IDR_BANNER_IMAGE 103  // type "JPEG": the picture the banner page shows
#define ZORMINT_RT_HTML 23
#define ZORMINT_IDR_RIBBON_EXPLORER 104   // type "XML": the ribbon of the main windows
#define ZORMINT_IDR_RIBBON_READ 105       // type "XML": the ribbon of message windows
#define ZORMINT_IDR_RIBBON_READ_2007 106  // type "XML": the same for Outlook 2007
#define ZORMINT_IDB_RIBBON_ZORMINT 107    // BITMAP, 32-bit with alpha: "Zormint" on the ribbon
#define ZORMINT_IDB_RIBBON_OPTIONS 108    // BITMAP, 32-bit with alpha: the options on the ribbon

#ifndef RC_INVOKED

#include <cstdint>

namespace zormint::resources {

inline constexpr int32_t kButtonFaceBitmapId = ZORMINT_IDB_BUTTON_FACE;
inline constexpr int32_t kBannerPageId = ZORMINT_IDR_BANNER_PAGE;
inline constexpr int32_t kBannerPageType = ZORMINT_RT_HTML;
inline constexpr int32_t kBannerImageId = ZORMINT_IDR_BANNER_IMAGE;
inline constexpr const char* kBannerImageType = "JPEG";
inline constexpr int32_t kRibbonExplorerId = ZORMINT_IDR_RIBBON_EXPLORER;
inline constexpr int32_t kRibbonReadId = ZORMINT_IDR_RIBBON_READ;
inline constexpr int32_t kRibbonRead2007Id = ZORMINT_IDR_RIBBON_READ_2007;
inline constexpr const char* kRibbonXmlType = "XML";
inline constexpr int32_t kRibbonZormintPictureId = ZORMINT_IDB_RIBBON_ZORMINT;
inline constexpr int32_t kRibbonOptionsPictureId = ZORMINT_IDB_RIBBON_OPTIONS;

// The embedded banner page as the web browser addresses it: module "ZORMINT", numeric type 23,
// numeric name 102, each "#" written as "%23". The page's image source "../JPEG/%23103" is
// relative to this address.
inline constexpr const char* kEmbeddedBannerAddress = "res://ZORMINT/%2323/%23102";

}  // namespace zormint::resources

#endif  // RC_INVOKED
