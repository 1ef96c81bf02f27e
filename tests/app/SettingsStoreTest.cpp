#include <gtest/gtest.h>
#include <stdlib.h>
#include <QSettings>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <vector>

#include "app/Ctsn_viewerApp.h"
#include "app/IniSettingsReader.h"
#include "app/ProgramDirectory.h"
#include "app/QtSettingsStore.h"

namespace {

namespace fs = std::filesystem;

// The user's and the system-wide configuration directories, both fresh. They must
// be in the environment before the first QSettings is made, which caches them.
class ConfigDirectories : public ::testing::Environment {
public:
    static fs::path& User() {
        static fs::path path;
        return path;
    }
    static fs::path& System() {
        static fs::path path;
        return path;
    }

    void SetUp() override {
        // Once per process: QSettings keeps the first paths it saw, even across
        // --gtest_repeat iterations.
        if (m_root.empty()) {
            std::string pattern = (fs::temp_directory_path() / "tsn-settings-XXXXXX").string();
            ASSERT_NE(mkdtemp(pattern.data()), nullptr);
            m_root = pattern;
        }
        User() = m_root / "user";
        System() = m_root / "system";
        fs::create_directories(User());
        fs::create_directories(System());
        setenv("XDG_CONFIG_HOME", User().c_str(), 1);
        setenv("XDG_CONFIG_DIRS", System().c_str(), 1);
    }
    void TearDown() override { fs::remove_all(m_root); }

private:
    fs::path m_root;
};

const auto* const kConfigDirectories = ::testing::AddGlobalTestEnvironment(new ConfigDirectories);

fs::path UserFile() {
    return ConfigDirectories::User() / "Tessellon" / "tsn_viewer.conf";
}
fs::path SystemFile() {
    return ConfigDirectories::System() / "Tessellon" / "tsn_viewer.conf";
}

// QSettings keeps files it has read and reads one again only when its size or time
// changed, so every file written here gets a time of its own.
void WriteFile(const fs::path& path, const std::string& text) {
    static int writes = 0;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1) +
                                  std::chrono::seconds(++writes));
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// What QSettings itself makes of an integer, from the files in its order; -1 for none.
int QtInt(const char* name) {
    bool ok = false;
    const int value =
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tessellon", "tsn_viewer")
            .value(name)
            .toString()
            .toInt(&ok);
    return ok ? value : -1;
}

// What a path value after "instdir=" must read as: the rest of its line byte for
// byte, unless QSettings wrote it (quoted, or "@..."): then QSettings' own reading.
std::string QtPath(const fs::path& file, const std::string& valueText) {
    const std::string line = valueText.substr(0, valueText.find_first_of("\r\n"));
    if (!line.empty() && (line.front() == '"' || line.front() == '@')) {
        const QVariant value =
            QSettings(QString::fromStdString(file.string()), QSettings::IniFormat).value("instdir");
        if (value.typeId() == QMetaType::QByteArray)
            return value.toByteArray().toStdString();
        if (value.typeId() == QMetaType::QString)
            return value.toString().toStdString();
    }
    return line;
}

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(UserFile().parent_path());
        fs::remove_all(SystemFile().parent_path());
    }

    static Ctsn_viewerApp Scrambled() {
        Ctsn_viewerApp app;
        app.m_displayImage = -5;
        app.m_previewType = -5;
        app.m_prevSizeX = -5;
        app.m_prevSizeY = -5;
        return app;
    }
};

TEST_F(SettingsStoreTest, EmptyStoreGivesTheDefaults) {
    Ctsn_viewerApp app = Scrambled();
    QtSettingsStore store;
    app.LoadPreferences(store);
    EXPECT_EQ(app.m_displayImage, 1);
    EXPECT_EQ(app.m_previewType, 1);
    EXPECT_EQ(app.m_prevSizeX, 300);
    EXPECT_EQ(app.m_prevSizeY, 300);
}

TEST_F(SettingsStoreTest, SavedPreferencesLandInTheGeneralSectionAndLoadBack) {
    {
        Ctsn_viewerApp app;
        app.m_displayImage = 0;
        app.m_previewType = 2;
        app.m_prevSizeX = 640;
        app.m_prevSizeY = -480;
        QtSettingsStore store;
        app.SavePreferences(store);
        // Written through before the store goes away.
        const std::string text = ReadFile(UserFile());
        EXPECT_EQ(text.rfind("[General]\n", 0), 0u) << text;
        for (const char* line : {"\nDisplayImage=0\n", "\nPreviewType=2\n", "\nPrevSizeX=640\n",
                                 "\nPrevSizeY=-480\n"}) {
            EXPECT_NE(text.find(line), std::string::npos) << line << " in " << text;
        }
        EXPECT_EQ(text.find("instdir"), std::string::npos);
    }
    Ctsn_viewerApp app = Scrambled();
    QtSettingsStore store;
    app.LoadPreferences(store);
    EXPECT_EQ(app.m_displayImage, 0);
    EXPECT_EQ(app.m_previewType, 2);
    EXPECT_EQ(app.m_prevSizeX, 640);
    EXPECT_EQ(app.m_prevSizeY, -480);
}

TEST_F(SettingsStoreTest, StoredValuesAreTakenAsTheyAreOrAsDefaultsWhenNotIntegers) {
    WriteFile(UserFile(),
              "[General]\n"
              "DisplayImage=yes\n"
              "PreviewType=7\n"
              "PrevSizeX=12.5\n"
              "PrevSizeY=99999999999\n");
    QtSettingsStore store;
    IniSettingsReader reader;
    for (SettingsStore* each : std::initializer_list<SettingsStore*>{&store, &reader}) {
        Ctsn_viewerApp app = Scrambled();
        app.LoadPreferences(*each);
        EXPECT_EQ(app.m_displayImage, 1);
        EXPECT_EQ(app.m_previewType, 7);
        EXPECT_EQ(app.m_prevSizeX, 300);
        EXPECT_EQ(app.m_prevSizeY, 300);
    }
}

TEST_F(SettingsStoreTest, ProgramDirectoryComesFromInstdir) {
    struct Case {
        const char* name;
        std::string userFile;    // empty: none
        std::string systemFile;  // empty: none
        std::string expected;
    };
    const std::string current = fs::current_path().string();
    const Case cases[] = {
        {"neither file: the current directory", "", "", current},
        {"no instdir: the current directory", "[General]\nwelcome=1\n", "", current},
        {"the user's own value", "[General]\ninstdir=/opt/tsn\n", "", "/opt/tsn"},
        {"the system-wide value", "", "[General]\ninstdir=/usr/share/tsn-viewer\n",
         "/usr/share/tsn-viewer"},
        {"the user's value wins", "[General]\ninstdir=/home/me/tsn\n",
         "[General]\ninstdir=/usr/share/tsn-viewer\n", "/home/me/tsn"},
        {"a trailing separator is kept", "[General]\ninstdir=/opt/tsn/\n", "", "/opt/tsn/"},
        {"an unquoted comma stays in the path", "[General]\ninstdir=/opt/a, b\n", "", "/opt/a, b"},
        {"the section's name in any case", "[general]\ninstdir=/opt/lower\n", "", "/opt/lower"},
        {"an empty value is not taken", "[General]\ninstdir=\n", "", current},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (!c.userFile.empty()) {
            WriteFile(UserFile(), c.userFile);
        }
        if (!c.systemFile.empty()) {
            WriteFile(SystemFile(), c.systemFile);
        }
        QtSettingsStore store;
        EXPECT_EQ(ProgramDirectory(store), c.expected);
        IniSettingsReader reader;
        EXPECT_EQ(ProgramDirectory(reader), c.expected);
    }
}

// Paths that QSettings' own reading of an unquoted value would change.
const std::string kAwkwardPaths[] = {
    "/opt/tsn,v2",       "/opt/a, b; c",     "C:\\tsn\\new\\x41",
    "/opt/\"tsn\" 'v2'", "  /opt/blanks  ",  "/opt/caf\xC3\xA9/\xCE\xA9",
    "/opt/=x=/%U0041",   "/opt/@Variant(x)",
};

TEST_F(SettingsStoreTest, InstdirIsReadByteForByte) {
    for (const std::string& path : kAwkwardPaths) {
        SCOPED_TRACE(path);
        SetUp();
        WriteFile(SystemFile(), "[General]\ninstdir=" + path + "\r\n");
        {
            QtSettingsStore store;
            EXPECT_EQ(ProgramDirectory(store), path);
            IniSettingsReader reader;
            EXPECT_EQ(ProgramDirectory(reader), path);
        }
        WriteFile(UserFile(), "[Recent]\nx=1\n[General]\nwelcome=1\ninstdir=" + path + "\n");
        QtSettingsStore store;
        EXPECT_EQ(ProgramDirectory(store), path);
        // Saving makes QSettings write the whole file again, through the store or
        // through another QSettings (the recent-file list): the path still reads back.
        Ctsn_viewerApp().SavePreferences(store);
        QSettings other(QSettings::NativeFormat, QSettings::UserScope, "Tessellon", "tsn_viewer");
        other.setValue("Recent File List/File1", "/tmp/a.jpg");
        other.sync();
        QtSettingsStore again;
        EXPECT_EQ(ProgramDirectory(again), path) << ReadFile(UserFile());
        IniSettingsReader reader;  // the value as QSettings wrote it back
        EXPECT_EQ(ProgramDirectory(reader), path) << ReadFile(UserFile());
    }
}

TEST_F(SettingsStoreTest, InstalledSettingsFileReadsBackExactly) {
    std::vector<std::string> paths(std::begin(kAwkwardPaths), std::end(kAwkwardPaths));
    paths.push_back("/usr/share/tsn-viewer");
    paths.push_back("\"/opt/quoted\"");
    paths.push_back("/opt/two\nlines\\n");
    const fs::path script = fs::path(TSN_BINARY_DIR) / "write-settings-test.cmake";
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        SetUp();
        std::ofstream(script) << "set(TSN_SETTINGS_FILE [==[" << SystemFile().string() << "]==])\n"
                              << "set(TSN_INSTDIR [==[" << path << "]==])\n"
                              << "include([==[" << TSN_SOURCE_DIR
                              << "/data/write_settings.cmake]==])\n";
        const std::string command =
            std::string(TSN_CMAKE_COMMAND) + " -P '" + script.string() + "' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        QtSettingsStore store;
        EXPECT_EQ(ProgramDirectory(store), path) << ReadFile(SystemFile());
        IniSettingsReader reader;
        EXPECT_EQ(ProgramDirectory(reader), path) << ReadFile(SystemFile());
    }
    fs::remove(script);
}

TEST_F(SettingsStoreTest, WithoutAUsableInstdirTheInstalledDataOrTheCurrentDirectoryServes) {
    struct Case {
        const char* name;
        std::string userFile;
        StartupPlaces places;
        std::string expected;
    };
    const Case cases[] = {
        {"no instdir: the current directory",
         "",
         {"/home/me", "/usr/share/tsn-viewer"},
         "/home/me"},
        {"empty instdir: the installed data",
         "[General]\ninstdir=\n",
         {"/home/me", "/usr/share/tsn-viewer"},
         "/usr/share/tsn-viewer"},
        {"empty instdir, not installed: the current directory",
         "[General]\ninstdir=\n",
         {"/home/me", ""},
         "/home/me"},
        {"no current directory: the installed data",
         "",
         {"", "/usr/share/tsn-viewer"},
         "/usr/share/tsn-viewer"},
        {"nothing known: relative, never the root", "[General]\ninstdir=\n", {"", ""}, "."},
        {"an instdir wins over both",
         "[General]\ninstdir=/opt/tsn\n",
         {"/home/me", "/usr/share/tsn-viewer"},
         "/opt/tsn"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (!c.userFile.empty())
            WriteFile(UserFile(), c.userFile);
        QtSettingsStore store;
        EXPECT_EQ(ProgramDirectory(store, c.places), c.expected);
    }
}

TEST_F(SettingsStoreTest, AVanishedStartupDirectoryIsNotKnown) {
    const fs::path before = fs::current_path();
    const fs::path gone = ConfigDirectories::User().parent_path() / "gone";
    fs::create_directories(gone);
    fs::current_path(gone);
    fs::remove(gone);
    const StartupPlaces places = CurrentStartupPlaces();
    fs::current_path(before);
    EXPECT_EQ(places.currentDirectory, "");
    // A test executable is not installed: no data beside it.
    EXPECT_EQ(places.installedDataDirectory, "");
}

TEST_F(SettingsStoreTest, SavingNeverTouchesInstdirOrTheSystemFile) {
    const std::string system = "[General]\ninstdir=/usr/share/tsn-viewer\nPreviewType=2\n";
    WriteFile(SystemFile(), system);
    Ctsn_viewerApp app;
    {
        QtSettingsStore store;
        app.m_directory = ProgramDirectory(store);
        app.LoadPreferences(store);
        EXPECT_EQ(app.m_previewType, 2);  // the system-wide value is read beneath
        app.m_previewType = 0;
        app.SavePreferences(store);
    }
    EXPECT_EQ(ReadFile(SystemFile()), system);
    const std::string user = ReadFile(UserFile());
    EXPECT_EQ(user.find("instdir"), std::string::npos) << user;
    EXPECT_NE(user.find("\nPreviewType=0\n"), std::string::npos) << user;
}

// ---- the reader agrees with QSettings ----

// Whole files with the INI rules QSettings follows: comments, sections, quotes over
// line ends, escaped line ends, repeated keys, percent-encoded keys.
TEST_F(SettingsStoreTest, ReaderFindsTheKeysQSettingsFinds) {
    const std::string files[] = {
        "PrevSizeX=5\n",
        "[General]\r\nPrevSizeX=5\r\n[Other]\r\nPrevSizeX=6\r\n",
        "[Other]\nPrevSizeX=6\n[general]\nPrevSizeX=7\n",
        "[General]\nPrevSizeX=1\nPrevSizeX=2\n[Other]\nx=1\n[General]\nPrevSizeX=3\n",
        "; PrevSizeX=1\n[General]\n  PrevSizeX  =  4  ; a comment\n",
        "[General]\nPrev%53izeX=8\n%50rev%U0053izeX=9\n",
        "[General]\nPrevSizeX=\"1\n2\"\nPrevSizeY=3\n",
        "[General]\nPrevSizeX=1\\\n2\nPrevSizeY=3\n",
        "[General]\n  [Other]\nPrevSizeX=4\n",
        "[General\nPrevSizeX=4\n",
        "[General]\nPrevSizeX\n=4\n/PrevSizeX/=5\n",
        "[General]\nPrevSizeX=@ByteArray(12)\nPrevSizeY=@String(-3)\n",
    };
    for (const std::string& text : files) {
        SCOPED_TRACE(text);
        WriteFile(UserFile(), text);
        IniSettingsReader reader;
        for (const char* name : {"PrevSizeX", "PrevSizeY"})
            EXPECT_EQ(reader.GetProfileInt(name, -1), QtInt(name)) << name;
    }
}

// The user's file, then the organisation's, then the system-wide ones.
TEST_F(SettingsStoreTest, ReaderTakesTheFilesInQSettingsOrder) {
    WriteFile(UserFile().parent_path().parent_path() / "Tessellon.conf",
              "[General]\nPreviewType=2\nPrevSizeX=2\n");
    WriteFile(SystemFile(), "[General]\nPrevSizeX=3\nPrevSizeY=3\nDisplayImage=x\n");
    WriteFile(SystemFile().parent_path().parent_path() / "Tessellon.conf",
              "[General]\nPrevSizeY=4\nDisplayImage=4\nPreviewType=4\n");
    WriteFile(UserFile(), "[General]\nPreviewType=1\n");
    IniSettingsReader reader;
    for (const char* name : {"PreviewType", "PrevSizeX", "PrevSizeY", "DisplayImage"})
        EXPECT_EQ(reader.GetProfileInt(name, -1), QtInt(name)) << name;
}

// Value texts made of the characters QSettings treats specially, read as an integer
// (from the user's file) and as a string (from the system-wide file, which the
// viewer's store never writes back).
TEST_F(SettingsStoreTest, ReaderTakesEveryValueAsQSettingsDoes) {
    const std::string pieces[] = {
        "0",  "7",    "12",  "-", "+",  " ",  "\t", "\"", "\\",       ",",           ";",
        "=",  "x",    "@",   "(", ")",  "a",  "n",  "0x", "\xC3\xA9", "@ByteArray(", "@String(",
        "@@", "\\x4", "\\0", "%", "\n", "\r", "[",  "]",  "\\\n",     "\xC2\xA0"};
    std::mt19937 random(20261207);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1), length(0, 7);
    for (int round = 0; round < 600; ++round) {
        std::string value;
        for (std::size_t n = length(random); n > 0; --n)
            value += pieces[pick(random)];
        SCOPED_TRACE("value text: " + value);
        WriteFile(UserFile(), "[General]\nPrevSizeX=" + value + "\n");
        WriteFile(SystemFile(), "[General]\ninstdir=" + value + "\n");
        IniSettingsReader reader;
        ASSERT_EQ(reader.GetProfileInt("PrevSizeX", -1), QtInt("PrevSizeX"));
        ASSERT_EQ(reader.GetProfileString("instdir", "-"), QtPath(SystemFile(), value));
        QtSettingsStore store;
        ASSERT_EQ(store.GetProfileString("instdir", "-"), QtPath(SystemFile(), value));
    }
}

}  // namespace
