// tsn-card when the system fails it part way (a read-only directory, a full disk, a
// rename that fails, a file changed meanwhile): run in-process with a failure
// injected into the replace, since the test may run as root, which writes anywhere.

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <sstream>

#include "DumpProcess.h"
#include "app/IniSettingsReader.h"
#include "cli/TsnCard.h"
#include "image/RealImagingBackend.h"
#include "support/ImageFixtures.h"

namespace {

namespace fs = std::filesystem;

struct Fault {
    const char* name;
    ReplaceSeams seams;
};

ReplaceSeams FailAt(ReplaceStep failing, int error) {
    ReplaceSeams seams;
    seams.failAt = [failing, error](ReplaceStep step) { return step == failing ? error : 0; };
    return seams;
}

std::set<std::string> Listing(const fs::path& directory) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(TsnCardFailureTest, TheFileStaysAsItWasAndNoStrayFileIsLeft) {
    ScratchDir work;
    const std::string image = work / "a.jpg";
    ReplaceSeams diskFull;
    diskFull.write = [](int, const void*, std::size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    ReplaceSeams changedMeanwhile;
    changedMeanwhile.failAt = [&image](ReplaceStep step) {
        if (step == ReplaceStep::kCheckUnchanged)
            WriteText(image, ReadText(image) + "changed");
        return 0;
    };
    const Fault faults[] = {
        {"read-only directory", FailAt(ReplaceStep::kCreate, EROFS)},
        {"no permission", FailAt(ReplaceStep::kCreate, EACCES)},
        {"disk full", diskFull},
        {"rename fails", FailAt(ReplaceStep::kRename, EIO)},
        {"changed meanwhile", changedMeanwhile},
    };
    IniSettingsReader settings;
    RealImagingBackend backend;
    for (const Fault& fault : faults) {
        ASSERT_TRUE(fixtures::WriteJpegFile(image, 16, 8, {"other"}));
        std::string before = ReadText(image);
        if (std::string(fault.name) == "changed meanwhile")
            before += "changed";
        const std::set<std::string> listing = Listing(work.path());
        std::istringstream in;
        std::ostringstream out, err;
        CardEnvironment env{settings, backend, in, out, err, fault.seams};
        const int status =
            RunTsnCard({"set", "--title", "T", "--defs-dir", work.path().string(), image}, env);
        EXPECT_EQ(status, 1) << fault.name;
        EXPECT_NE(err.str().find(image), std::string::npos) << fault.name << ": " << err.str();
        EXPECT_EQ(ReadText(image), before) << fault.name;
        EXPECT_EQ(Listing(work.path()), listing) << fault.name;
    }
}

}  // namespace
