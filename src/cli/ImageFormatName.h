#pragma once
// The name tsn-dump gives an ImageFile format.

// "jpeg", "png", "bmp", "pcx", "tiff"; nullptr when nothing was loaded.
const char* ImageFormatName(int format);
