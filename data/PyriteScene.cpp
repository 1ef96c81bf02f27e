#include "PyriteScene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Vec {
    double x = 0, y = 0, z = 0;
    double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
};
Vec operator+(Vec a, Vec b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec operator-(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec operator*(Vec a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
Vec operator*(Vec a, Vec b) {
    return {a.x * b.x, a.y * b.y, a.z * b.z};
}
double Dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec Cross(Vec a, Vec b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec Normalize(Vec a) {
    return a * (1.0 / std::sqrt(Dot(a, a)));
}
Vec Reflect(Vec d, Vec n) {
    return d - n * (2.0 * Dot(d, n));
}
Vec Axis(int i) {
    return i == 0 ? Vec{1, 0, 0} : (i == 1 ? Vec{0, 1, 0} : Vec{0, 0, 1});
}
double SmoothStep(double edge0, double edge1, double x) {
    double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Columns are the local axes expressed in world coordinates.
struct Frame {
    std::array<Vec, 3> axis;
    Vec ToWorld(Vec v) const { return axis[0] * v.x + axis[1] * v.y + axis[2] * v.z; }
    Vec ToLocal(Vec v) const { return {Dot(axis[0], v), Dot(axis[1], v), Dot(axis[2], v)}; }
};

Frame Rotation(double yawDeg, double pitchDeg, double rollDeg) {
    const double a = yawDeg * kPi / 180, b = pitchDeg * kPi / 180, c = rollDeg * kPi / 180;
    auto rotate = [&](Vec v) {
        Vec r{v.x, v.y * std::cos(c) - v.z * std::sin(c), v.y * std::sin(c) + v.z * std::cos(c)};
        r = {r.x * std::cos(b) - r.y * std::sin(b), r.x * std::sin(b) + r.y * std::cos(b), r.z};
        return Vec{r.x * std::cos(a) + r.z * std::sin(a), r.y,
                   -r.x * std::sin(a) + r.z * std::cos(a)};
    };
    return Frame{{rotate(Axis(0)), rotate(Axis(1)), rotate(Axis(2))}};
}

// Smooth value noise and its octaves, for the marl and the faces' growth marks.
double Hash(int x, int y, int z) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u +
                      static_cast<std::uint32_t>(z) * 2147483647u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFFFF) / double(0xFFFFFF);
}
double Noise(Vec p) {
    const int ix = int(std::floor(p.x)), iy = int(std::floor(p.y)), iz = int(std::floor(p.z));
    const double fx = p.x - ix, fy = p.y - iy, fz = p.z - iz;
    const double ux = fx * fx * (3 - 2 * fx), uy = fy * fy * (3 - 2 * fy),
                 uz = fz * fz * (3 - 2 * fz);
    auto lerp = [](double a, double b, double t) { return a + (b - a) * t; };
    double v[2][2];
    for (int j = 0; j < 2; ++j)
        for (int k = 0; k < 2; ++k)
            v[j][k] = lerp(Hash(ix, iy + j, iz + k), Hash(ix + 1, iy + j, iz + k), ux);
    return lerp(lerp(v[0][0], v[1][0], uy), lerp(v[0][1], v[1][1], uy), uz);
}
double Fbm(Vec p) {
    double sum = 0, amplitude = 0.5;
    for (int i = 0; i < 5; ++i, amplitude *= 0.5, p = p * 2.03)
        sum += amplitude * Noise(p);
    return sum;
}

struct Cube {
    Vec center;
    Frame frame;
    double half;
    Vec tint;
};

struct Hit {
    double t = 1e30;
    int cube = -1;  // -1: the ground
    Vec point;
    Vec local;
    int axis = 0;
    double sign = 1;
};

const std::array<Cube, 4> kCubes{{
    {{-0.35, 0.86, 0.0}, Rotation(32, 6, -4), 1.0, {1.0, 1.0, 1.0}},
    {{1.02, 0.58, 0.78}, Rotation(-17, 24, 11), 0.66, {1.02, 0.98, 0.93}},
    {{-1.78, 0.24, 1.15}, Rotation(48, 14, 28), 0.33, {0.96, 0.92, 0.85}},
    {{1.85, 0.16, -0.55}, Rotation(12, -20, 35), 0.22, {1.0, 0.95, 0.9}},
}};

bool HitCube(const Cube& cube, Vec origin, Vec dir, Hit& hit) {
    const Vec o = cube.frame.ToLocal(origin - cube.center);
    const Vec d = cube.frame.ToLocal(dir);
    double tNear = -1e30, tFar = 1e30;
    int axis = -1;
    for (int i = 0; i < 3; ++i) {
        if (std::abs(d[i]) < 1e-12) {
            if (std::abs(o[i]) > cube.half)
                return false;
            continue;
        }
        double t1 = (-cube.half - o[i]) / d[i], t2 = (cube.half - o[i]) / d[i];
        if (t1 > t2)
            std::swap(t1, t2);
        if (t1 > tNear) {
            tNear = t1;
            axis = i;
        }
        tFar = std::min(tFar, t2);
        if (tNear > tFar)
            return false;
    }
    if (axis < 0 || tNear < 1e-6 || tNear >= hit.t)
        return false;
    hit.t = tNear;
    hit.axis = axis;
    hit.sign = d[axis] > 0 ? -1 : 1;
    hit.local = o + d * tNear;
    hit.point = origin + dir * tNear;
    return true;
}

Hit Trace(Vec origin, Vec dir, bool withGround = true) {
    Hit hit;
    for (int i = 0; i < int(kCubes.size()); ++i) {
        if (HitCube(kCubes[i], origin, dir, hit))
            hit.cube = i;
    }
    if (withGround && dir.y < -1e-9) {
        const double t = -origin.y / dir.y;
        if (t > 1e-6 && t < hit.t) {
            hit = Hit{};
            hit.t = t;
            hit.point = origin + dir * t;
        }
    }
    return hit;
}

bool Blocked(Vec origin, Vec toLight) {
    Hit hit;
    hit.t = 1.0;
    for (const Cube& cube : kCubes) {
        if (HitCube(cube, origin, toLight, hit))
            return true;
    }
    return false;
}

// A rectangular studio softbox seen from the specimen.
struct Softbox {
    Vec dir, u, v;
    double halfU, halfV;
    Vec radiance;
};

Softbox MakeSoftbox(Vec dir, double halfU, double halfV, Vec radiance) {
    dir = Normalize(dir);
    const Vec u = Normalize(Cross(Vec{0, 1, 0}, dir));
    return {dir, u, Cross(dir, u), halfU, halfV, radiance};
}

const std::array<Softbox, 3> kSoftboxes{{
    MakeSoftbox({-0.55, 0.78, 0.45}, 0.42, 0.28, {6.0, 5.8, 5.5}),
    MakeSoftbox({0.12, 0.86, -0.5}, 0.55, 0.22, {4.2, 4.2, 4.0}),
    MakeSoftbox({0.9, 0.32, 0.5}, 0.2, 0.45, {1.5, 1.6, 1.8}),
}};

Vec Environment(Vec dir) {
    const double up = std::clamp(dir.y * 0.5 + 0.5, 0.0, 1.0);
    Vec color = Vec{0.006, 0.006, 0.008} + Vec{0.03, 0.031, 0.036} * up;
    for (const Softbox& box : kSoftboxes) {
        const double facing = Dot(dir, box.dir);
        if (facing <= 0)
            continue;
        const double pu = std::abs(Dot(dir, box.u) / facing),
                     pv = std::abs(Dot(dir, box.v) / facing);
        const double inside = SmoothStep(box.halfU + 0.04, box.halfU - 0.04, pu) *
                              SmoothStep(box.halfV + 0.04, box.halfV - 0.04, pv);
        color = color + box.radiance * inside;
    }
    return color;
}

// Light reaching a point from both softboxes, with soft shadows from the cubes.
Vec DirectLight(Vec point, Vec normal, std::mt19937& rng) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    Vec sum;
    const int samples[3] = {10, 6, 3};
    const double strength[3] = {1.9, 0.9, 0.45};
    for (int b = 0; b < 3; ++b) {
        const Softbox& box = kSoftboxes[b];
        double lit = 0;
        for (int s = 0; s < samples[b]; ++s) {
            const Vec target = box.dir * 12.0 + box.u * (unit(rng) * box.halfU * 12.0) +
                               box.v * (unit(rng) * box.halfV * 12.0);
            const Vec toLight = target - point;
            const double cosine = Dot(normal, Normalize(toLight));
            if (cosine > 0 && !Blocked(point + normal * 1e-4, toLight))
                lit += cosine;
        }
        sum = sum + box.radiance * (strength[b] / 7.0 * lit / samples[b]);
    }
    return sum;
}

double CubeOcclusion(Vec point, Vec normal, std::mt19937& rng) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    int blocked = 0;
    constexpr int kSamples = 8;
    for (int i = 0; i < kSamples; ++i) {
        Vec d = Normalize(Vec{unit(rng), unit(rng), unit(rng)});
        if (Dot(d, normal) < 0)
            d = d * -1.0;
        Hit hit;
        hit.t = 1.2;
        for (const Cube& cube : kCubes)
            if (HitCube(cube, point + normal * 1e-4, d, hit)) {
                ++blocked;
                break;
            }
    }
    return 1.0 - 0.85 * blocked / kSamples;
}

Vec MarlAlbedo(Vec p) {
    const double grain = Fbm(p * 3.1);
    const double speckle = Noise(p * 41.0) > 0.82 ? 0.6 : 1.0;
    return Vec{0.2, 0.195, 0.185} * ((0.6 + 0.8 * grain) * speckle);
}

Vec MarlNormal(Vec p) {
    const double e = 0.01, k = 0.6;
    const double h = Fbm(p * 2.4);
    const double dx = Fbm((p + Vec{e, 0, 0}) * 2.4) - h, dz = Fbm((p + Vec{0, 0, e}) * 2.4) - h;
    return Normalize(Vec{-dx / e * k * 0.1, 1.0, -dz / e * k * 0.1});
}

Vec ShadeGround(const Hit& hit, std::mt19937& rng) {
    const Vec n = MarlNormal(hit.point);
    const Vec light =
        DirectLight(hit.point, n, rng) + Vec{0.05, 0.05, 0.055} * CubeOcclusion(hit.point, n, rng);
    // The spot lights the specimen; the slab fades into the dark backdrop.
    const double r2 = hit.point.x * hit.point.x + hit.point.z * hit.point.z;
    return MarlAlbedo(hit.point) * light * (0.06 + 0.94 * std::exp(-r2 / 6.0));
}

// Pyrite's faces: fine striations across one edge direction (turning by a right
// angle from face to face), growth steps, and slightly rounded edges.
Vec FaceNormal(const Cube& cube, const Hit& hit) {
    const int across = (hit.axis + 2) % 3;
    const double q = hit.local[across] / cube.half;
    const double wobble = Fbm(hit.local * 3.0 + Vec{double(hit.axis) * 7.1, 0, 0});
    const double steps = std::fmod(q * 5.0 + 10.0, 1.0);
    const double slope = 0.045 * std::sin(q * 163.0 + wobble * 0.6) +
                         0.03 * std::sin(q * 397.0 + 1.3) +
                         0.04 * std::sin(q * 37.0 + wobble * 1.5) + (steps > 0.95 ? 0.08 : 0.0);
    Vec n = Axis(hit.axis) * hit.sign + Axis(across) * slope;
    const double bevel = 0.035 * cube.half;
    for (int b = 0; b < 3; ++b) {
        if (b == hit.axis)
            continue;
        const double over = std::abs(hit.local[b]) - (cube.half - bevel);
        if (over > 0)
            n = n + Axis(b) * ((hit.local[b] > 0 ? 1.0 : -1.0) * over / bevel * 1.4);
    }
    return Normalize(cube.frame.ToWorld(n));
}

Vec PyriteColor(const Cube& cube, const Hit& hit) {
    const double tarnish = Fbm(hit.local * 1.7 + Vec{3.3, 1.1, 0.4});
    const Vec brass{0.80, 0.66, 0.37};
    const Vec bronze{0.62, 0.45, 0.26};
    const double mix = SmoothStep(0.45, 0.75, tarnish) * 0.6;
    return (brass * (1 - mix) + bronze * mix) * cube.tint;
}

Vec ShadeCube(const Hit& hit, Vec viewDir, std::mt19937& rng, bool reflections) {
    const Cube& cube = kCubes[hit.cube];
    const Vec n = FaceNormal(cube, hit);
    const Vec base = PyriteColor(cube, hit);
    const Vec diffuse = base * DirectLight(hit.point, n, rng) * 0.1;
    if (!reflections)
        return diffuse + base * Environment(Reflect(viewDir, n)) * 0.5;

    std::normal_distribution<double> rough(0.0, 0.045);
    Vec mirrored;
    constexpr int kSamples = 4;
    for (int i = 0; i < kSamples; ++i) {
        Vec r = Normalize(Reflect(viewDir, n) + Vec{rough(rng), rough(rng), rough(rng)});
        if (Dot(r, n) < 0)
            r = Reflect(viewDir, n);
        const Hit bounce = Trace(hit.point + n * 1e-4, r);
        if (bounce.cube >= 0)
            mirrored = mirrored + ShadeCube(bounce, r, rng, false);
        else if (bounce.t < 1e29)
            mirrored = mirrored + ShadeGround(bounce, rng);
        else
            mirrored = mirrored + Environment(r);
    }
    // Metal: the reflection takes the metal's colour, brightening towards grazing angles.
    const double cosine = std::clamp(-Dot(viewDir, n), 0.0, 1.0);
    const double fresnel = std::pow(1.0 - cosine, 5.0);
    const Vec tint = base * (1 - fresnel) + Vec{1, 1, 1} * fresnel;
    return diffuse + tint * mirrored * (0.9 / kSamples);
}

Vec Radiance(Vec origin, Vec dir, std::mt19937& rng) {
    const Hit hit = Trace(origin, dir);
    if (hit.cube >= 0)
        return ShadeCube(hit, dir, rng, true);
    if (hit.t < 1e29)
        return ShadeGround(hit, rng);
    return Vec{0.01, 0.011, 0.013};
}

std::uint8_t ToByte(double linear, double grain) {
    const double mapped = 1.0 - std::exp(-linear * 1.5);
    const double encoded = std::pow(std::clamp(mapped, 0.0, 1.0), 1.0 / 2.2) * 255.0 + grain;
    return static_cast<std::uint8_t>(std::clamp(encoded + 0.5, 0.0, 255.0));
}

}  // namespace

RenderedPicture RenderPyrite(int width, int height) {
    RenderedPicture picture{width, height,
                            std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
    const Vec eye{0.55, 2.75, 7.0};
    const Vec forward = Normalize(Vec{0.1, 0.72, 0.25} - eye);
    const Vec right = Normalize(Cross(forward, Vec{0, 1, 0}));
    const Vec up = Cross(right, forward);
    const double scale = std::tan(30.0 * kPi / 360.0) * 2.0 / height;
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<double> jitter(0.0, 1.0);
    std::normal_distribution<double> grain(0.0, 1.3);

    constexpr int kSub = 2;
    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            Vec sum;
            for (int s = 0; s < kSub * kSub; ++s) {
                const double sx = px + (s % kSub + jitter(rng)) / kSub - width / 2.0;
                const double sy = py + (s / kSub + jitter(rng)) / kSub - height / 2.0;
                const Vec dir = Normalize(forward + right * (sx * scale) - up * (sy * scale));
                sum = sum + Radiance(eye, dir, rng);
            }
            const double cx = (px - width / 2.0) / width, cy = (py - height / 2.0) / height;
            const Vec color = sum * ((1.0 - 0.5 * (cx * cx + cy * cy)) / (kSub * kSub));
            std::uint8_t* out = &picture.rgb[(std::size_t(py) * width + px) * 3];
            out[0] = ToByte(color.x, grain(rng));
            out[1] = ToByte(color.y, grain(rng));
            out[2] = ToByte(color.z, grain(rng));
        }
    }
    return picture;
}
