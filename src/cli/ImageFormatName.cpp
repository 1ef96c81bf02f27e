#include "cli/ImageFormatName.h"

#include "image/ImageFormats.h"

const char* ImageFormatName(int format) {
    const ImageFormat* known = FormatNumbered(format);
    return known ? known->name : nullptr;
}
