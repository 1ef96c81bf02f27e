#pragma once
// An imaging backend that passes every call to another one and notes whether a
// loader was asked for a picture, so tsn-dump can tell a file type the wrapper does
// not load from a file the loader failed on.

#include "image/ImagingBackend.h"

class ObservedBackend : public ImagingBackend {
public:
    explicit ObservedBackend(ImagingBackend& inner) : m_inner(inner) {}

    void ForgetLoads() { m_loaderCalled = false; }
    bool LoaderCalled() const { return m_loaderCalled; }

    void Startup() override { m_inner.Startup(); }
    void SetLoadHint(const LoadHint& hint) override { m_inner.SetLoadHint(hint); }
    BlockHandle LoadBmp(const std::string& path, int& width, int& height) override {
        m_loaderCalled = true;
        return m_inner.LoadBmp(path, width, height);
    }
    BlockHandle LoadJpeg(const std::string& path, int& width, int& height) override {
        m_loaderCalled = true;
        return m_inner.LoadJpeg(path, width, height);
    }
    BlockHandle LoadTiff(const std::string& path, int& width, int& height) override {
        m_loaderCalled = true;
        return m_inner.LoadTiff(path, width, height);
    }
    BlockHandle LoadPcx(const std::string& path, int& width, int& height) override {
        m_loaderCalled = true;
        return m_inner.LoadPcx(path, width, height);
    }
    BlockHandle LoadPng(const std::string& path, int& width, int& height) override {
        m_loaderCalled = true;
        return m_inner.LoadPng(path, width, height);
    }
    void ResetJpegOptions() override { m_inner.ResetJpegOptions(); }
    void KeepJpegComments() override { m_inner.KeepJpegComments(); }
    unsigned JpegCommentCount() override { return m_inner.JpegCommentCount(); }
    BlockHandle JpegComment(unsigned index) override { return m_inner.JpegComment(index); }
    void SetPngBackground(std::uint8_t red, std::uint8_t green, std::uint8_t blue) override {
        m_inner.SetPngBackground(red, green, blue);
    }
    double SetPngGamma(double gamma) override { return m_inner.SetPngGamma(gamma); }
    unsigned PngTextCount() override { return m_inner.PngTextCount(); }
    BlockHandle PngTextKeyword(unsigned index) override { return m_inner.PngTextKeyword(index); }
    BlockHandle PngText(unsigned index) override { return m_inner.PngText(index); }
    void Draw(DeviceContext* dc, const PictureView& picture, int x, int y, int width, int height,
              int extentX, int extentY, int flags) override {
        m_inner.Draw(dc, picture, x, y, width, height, extentX, extentY, flags);
    }
    BlockHandle Resample(const std::uint8_t* pixels, int width, int height, int newWidth,
                         int newHeight) override {
        return m_inner.Resample(pixels, width, height, newWidth, newHeight);
    }
    int Status() override { return m_inner.Status(); }
    std::string StatusReason() override { return m_inner.StatusReason(); }

private:
    ImagingBackend& m_inner;
    bool m_loaderCalled = false;
};
