#include "imagelib/operation_support.h"

#include "imagelib/depth_conversion.h"
#include "imagelib/picture_store.h"

namespace imagelib {

Picture* FindExpanded(PictureHandle handle) {
  Picture* picture = FindPicture(handle);
  if (picture == nullptr) return nullptr;
  if (picture->IsCompressed() && ExpandPicture(handle) == 0) return nullptr;
  return picture;
}

Picture* Find24Bit(PictureHandle handle) {
  Picture* picture = FindExpanded(handle);
  if (picture != nullptr && picture->bitsPerPixel != 24) *picture = ToBgr24(*picture);
  return picture;
}

}  // namespace imagelib

int ConvertTo24Bit(PictureHandle picture) {
  return imagelib::Find24Bit(picture) != nullptr;
}

int ConvertTo16Bit(PictureHandle picture, int /*reserved1*/, int /*reserved2*/) {
  imagelib::Picture* found = imagelib::FindExpanded(picture);
  if (found == nullptr) return 0;
  if (found->bitsPerPixel != 16) *found = imagelib::ToBgr16(*found);
  return 1;
}

int ConvertTo8Bit(PictureHandle picture, int /*reserved1*/, int /*reserved2*/) {
  imagelib::Picture* found = imagelib::FindExpanded(picture);
  if (found == nullptr) return 0;
  if (found->bitsPerPixel != 8) *found = imagelib::QuantiseTo8Bit(*found);
  return 1;
}
