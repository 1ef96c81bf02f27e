#pragma once
// The first widget that measures text makes Qt read the font configuration and list
// every installed font: milliseconds that the first window would wait for. These two
// threads do that work while Qt connects to the display and the window is built.
//
//     FontConfigAhead config;               // before the application object
//     QApplication application(argc, argv);
//     FontListAhead fonts(config);          // after it: gone before it is
//
// Both are only a head start: Qt does whatever they have not done yet itself, so
// nothing changes where no thread can be had or the configuration is not read here.

#include <future>
#include <thread>

class FontConfigAhead {
public:
    FontConfigAhead();
    FontConfigAhead(const FontConfigAhead&) = delete;
    FontConfigAhead& operator=(const FontConfigAhead&) = delete;

    // Waits until the configuration is read (at once when no thread read it).
    void Wait() const;

private:
    std::shared_future<void> m_read;
};

class FontListAhead {
public:
    // Qt's font database exists from here on: the application object was made.
    explicit FontListAhead(const FontConfigAhead& config);
    // Waits for the listing, which must not outlive the application object.
    ~FontListAhead();
    FontListAhead(const FontListAhead&) = delete;
    FontListAhead& operator=(const FontListAhead&) = delete;

private:
    std::thread m_thread;
};
