#pragma once
// The name tsn-dump gives an ImageFile format.

// The format's name in the format table ("jpeg", "png", ...); nullptr when nothing was
// loaded.
const char* ImageFormatName(int format);
