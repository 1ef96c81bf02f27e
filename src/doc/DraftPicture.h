#pragma once
// A quick, coarse picture of a JPEG to show while the full one decodes: the codec
// decodes it at its smallest scale (an eighth of each side), which skips most of
// the work. It is shown in the full picture's place at the full picture's size, on
// screen only: it never becomes the document's picture.

#include <string>

#include "doc/OpenPreferences.h"
#include "image/ImageFile.h"
#include "image/ImagingBackend.h"

class DraftPicture {
public:
    explicit DraftPicture(ImagingBackend& backend) : m_image(backend) {}

    // False when the file is not a JPEG or no picture came out of it.
    bool Load(const std::string& path, const OpenPreferences& preferences);
    // The pixels as decoded: far fewer than the size shown.
    PictureView Picture() const { return m_image.Picture(); }
    // The logical size the full picture will be shown at.
    Size ShownSize() const { return m_shownSize; }

private:
    ImageFile m_image;
    Size m_shownSize;
};
