#pragma once
// Going through a folder of images: the image files beside the one shown, in the
// order a file manager lists them (natural order: "img2" before "img10", letter case
// ignored), for the next and previous image commands.

#include <QString>
#include <QStringList>

// The full paths of the files in `folder` that the viewer loads (.bmp .jpg .jpeg
// .tif .tiff .pcx .png, in any case), in natural order.
QStringList ImagesInFolder(const QString& folder);

// The names of the images in `folder`, in natural order (what ImagesInFolder lists,
// without the folder).
QStringList ImageNamesInFolder(const QString& folder);

// The name after (step 1) or before (step -1) `name` in `sortedNames` (as
// ImageNamesInFolder gives them); empty at either end. `name` need not be listed.
QString NeighbourName(const QStringList& sortedNames, const QString& name, int step);

// The image after (step 1) or before (step -1) `path` in its folder; empty at either
// end (browsing does not wrap). `path` itself need not be an image or exist any more:
// its place in the order counts.
QString NeighbourImage(const QString& path, int step);
