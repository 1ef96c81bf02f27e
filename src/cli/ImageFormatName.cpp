#include "cli/ImageFormatName.h"

#include "image/ImageFile.h"

const char* ImageFormatName(int format) {
    switch (format) {
        case ImageFile::kFormatJpeg:
            return "jpeg";
        case ImageFile::kFormatPng:
            return "png";
        case ImageFile::kFormatBmp:
            return "bmp";
        case ImageFile::kFormatPcx:
            return "pcx";
        case ImageFile::kFormatTiff:
            return "tiff";
        default:
            return nullptr;
    }
}
