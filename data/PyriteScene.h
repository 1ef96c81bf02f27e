#pragma once
// A small ray tracer that renders the example picture: intergrown, striated pyrite
// cubes on grey marl under two studio softboxes. Only make-example uses it.

#include <cstdint>
#include <vector>

struct RenderedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // rows top-down, 3 bytes a pixel
};

RenderedPicture RenderPyrite(int width, int height);
