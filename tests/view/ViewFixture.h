#pragma once
// A document, a view and a recording device context for the view tests. The
// document's fields are set directly: a loaded picture is a block of the right
// size, its comments are put in the image wrapper's list.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "doc/Ctsn_viewerDoc.h"
#include "platform/RecordingDC.h"
#include "view/Ctsn_viewerView.h"

// Draws the picture as a blit at (x, y); loads nothing.
class FakeImagingBackend : public ImagingBackend {
public:
    void Startup() override {}
    BlockHandle LoadBmp(const std::string&, int&, int&) override { return nullptr; }
    BlockHandle LoadJpeg(const std::string&, int&, int&) override { return nullptr; }
    BlockHandle LoadTiff(const std::string&, int&, int&) override { return nullptr; }
    BlockHandle LoadPcx(const std::string&, int&, int&) override { return nullptr; }
    BlockHandle LoadPng(const std::string&, int&, int&) override { return nullptr; }
    void ResetJpegOptions() override {}
    void KeepJpegComments() override {}
    unsigned JpegCommentCount() override { return 0; }
    BlockHandle JpegComment(unsigned) override { return nullptr; }
    void SetPngBackground(std::uint8_t, std::uint8_t, std::uint8_t) override {}
    double SetPngGamma(double gamma) override { return gamma; }
    unsigned PngTextCount() override { return 0; }
    BlockHandle PngTextKeyword(unsigned) override { return nullptr; }
    BlockHandle PngText(unsigned) override { return nullptr; }
    void Draw(DeviceContext* dc, const PictureView& picture, int x, int y, int width, int height,
              int extentX, int extentY, int flags) override {
        drawArgs = {extentX, extentY, flags};
        dc->DrawPicture(picture, x, y, width, height);
    }
    BlockHandle Resample(const std::uint8_t*, int, int, int, int) override { return nullptr; }
    int Status() override { return 0; }
    std::string StatusReason() override { return ""; }

    std::vector<int> drawArgs;  // extents and flag of the last Draw
};

class SilentNotifier : public DocumentNotifier {
public:
    void ShowMessage(const std::string&) override {}
};

// Records what the view asks of its window.
class RecordingHost : public ViewHost {
public:
    void SetScrollSizes(const ScrollSizes& sizes) override { scrolls.push_back(sizes); }
    void InvalidateClient(bool erase) override { invalidations.push_back(erase); }
    void FilePrint(bool showDialog) override { prints.push_back(showDialog); }
    void FilePrintPreview() override { ++previews; }

    std::vector<ScrollSizes> scrolls;
    std::vector<bool> invalidations;
    std::vector<bool> prints;
    int previews = 0;
};

// One drawn string as the tests compare it.
struct Text {
    int x;
    int y;
    std::string font;  // "normal", "bold", "FACE/HEIGHT/WEIGHT" or "system"
    COLORREF color;
    std::string text;
    bool operator==(const Text&) const = default;
};

inline void PrintTo(const Text& t, std::ostream* os) {
    *os << "{" << t.x << ", " << t.y << ", " << t.font << ", 0x" << std::hex << t.color << std::dec
        << ", \"" << t.text << "\"}";
}

inline std::string FontLabel(const std::optional<Font>& font) {
    if (!font)
        return "system";
    if (!font->name.empty())
        return font->name;
    return font->logFont.faceName + "/" + std::to_string(font->logFont.height) + "/" +
           std::to_string(font->logFont.weight);
}

inline std::vector<Text> TextsOf(const RecordingDC& dc) {
    std::vector<Text> texts;
    for (const DrawCall& call : dc.CallsOf({DrawCall::Kind::TextOut}))
        texts.push_back({call.a, call.b, FontLabel(call.font), call.color, call.text});
    return texts;
}

constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kBlack = 0x000000;

inline Text Heading(int x, int y, std::string text) {
    return {x, y, "bold", kBlue, std::move(text)};
}
inline Text Body(int x, int y, std::string text) {
    return {x, y, "normal", kBlack, std::move(text)};
}

class ViewTest : public ::testing::Test {
protected:
    ViewTest() : doc(app, backend, notifier), view(doc, app) { view.SetHost(&host); }

    // As after a successful load of a JPEG of `image` size held at `preview` size.
    void LoadPicture(Size image, Size preview, std::vector<std::string> comments = {}) {
        doc.m_image.m_hImage =
            MemoryBlock::Allocate(std::size_t(preview.cx) * preview.cy * kPictureBytesPerPixel);
        doc.m_image.m_width = preview.cx;
        doc.m_image.m_height = preview.cy;
        doc.m_image.m_format = ImageFormat::kJpeg;
        doc.m_image.m_comments = std::move(comments);
        doc.m_path = "/images/sunset.jpg";
        doc.m_loadResult = 0;
        doc.m_imageSize = image;
        doc.m_previewSize = preview;
        doc.m_refreshPending = 1;
    }

    // A loaded picture with a card found, the picture hidden: pages start at (10, 10).
    void LoadCardHidden() {
        LoadPicture({640, 480}, {320, 240});
        doc.m_found = 1;
        view.m_bShowImage = 0;
    }

    Ctsn_viewerApp app;
    FakeImagingBackend backend;
    SilentNotifier notifier;
    Ctsn_viewerDoc doc;
    Ctsn_viewerView view;
    RecordingHost host;
    RecordingDC dc;
    CardInfo& card = doc.m_card;
};
