#pragma once
// Runs the images of a run on several worker threads and hands the outcomes back
// on the calling thread in the order of the images, each as soon as it and all
// before it are done. At most a small window of images is in flight, so memory
// does not grow with their number. Each worker owns what it opens images with.

#include <functional>
#include <memory>

#include "cli/DumpOutcome.h"
#include "cli/ImageItem.h"

class ImageSource;

class ImageWorker {
public:
    virtual ~ImageWorker() = default;
    virtual DumpOutcome Dump(const ImageItem& item) = 0;
};

using ImageWorkerFactory = std::function<std::unique_ptr<ImageWorker>()>;
using OutcomeSink = std::function<void(DumpOutcome&)>;

// `workers` from 1 up; with one, everything runs on the calling thread. The source
// is read on a thread of its own, so a slow list (a pipe) never holds up output.
void RunInOrder(int workers, ImageSource& source, const ImageWorkerFactory& makeWorker,
                const OutcomeSink& write);
