// Strips of 16x16 images for the lists: the row pictures every list draws from (folders,
// marks, a page, colour swatches) and the two check-box pictures of the category list.
// They are painted in code, so the program needs no image files next to it.
#pragma once

#include <QList>
#include <QPixmap>

class CImageList {
 public:
  // Positions in the row picture strip.
  enum StripImage {
    kFolderClosed = 0,
    kFolderOpen = 1,
    kRedMark = 2,
    kPage = 3,
    kYellowMark = 4,
    kFirstSwatch = 5,  // ten colour swatches follow
  };
  static constexpr int kImageSize = 16;
  static constexpr int kSwatchCount = 10;

  CImageList() = default;
  explicit CImageList(QList<QPixmap> images) : images_(std::move(images)) {}

  // The row pictures: fifteen images in the order of StripImage.
  static CImageList RowImages();
  // The state pictures: an empty box, then a box with a tick.
  static CImageList CheckBoxes();

  int Count() const { return static_cast<int>(images_.size()); }
  bool IsEmpty() const { return images_.isEmpty(); }
  // A null pixmap when index is out of range.
  QPixmap Image(int index) const;
  void Add(const QPixmap& image) { images_.append(image); }

 private:
  QList<QPixmap> images_;
};
