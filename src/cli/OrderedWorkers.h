#pragma once
// Runs the images of a run on several worker threads and hands the outcomes to the
// sink in the order of the images, each soon after it and all before it are done: at
// once after a slow image, with the rest of a worker's run after quick ones. The sink
// is called by one worker at a time. At most a small window of images is in flight,
// so memory does not grow with their number. Each worker owns what it opens images
// with.

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

// Whether workers other than the calling thread take a copy of the process's table of
// open files. A worker opens and closes a file for each image; on one shared table the
// cores take turns at its lock for each. A copy holds every file open at that moment
// until the run ends (a pipe's end among them), so it is for a process of its own.
enum class FileTables { kShared, kPerWorker };

// `workers` from 1 up; the calling thread is one of them. With several, a worker
// waiting on a slow list (a pipe) holds up neither the others nor the output.
void RunInOrder(int workers, FileTables tables, ImageSource& source,
                const ImageWorkerFactory& makeWorker, const OutcomeSink& write);
